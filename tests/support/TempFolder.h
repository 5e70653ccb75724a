// TempFolder.h - a fresh folder for one test, removed with everything in it.
#pragma once

#include <sys/types.h>

#include <string>

namespace orv::test {

// Makes a new folder below /tmp and removes its whole tree when it goes,
// whatever the test left in it (files, folders, links, fifos). A test may make
// it the current directory for its lifetime. Only the process that made it
// removes it, so a forked child that ends normally leaves it to the parent.
class TempFolder {
 public:
  /// Makes /tmp/<prefix>-XXXXXX and keeps its real path; throws
  /// std::runtime_error when it cannot.
  explicit TempFolder(const char* prefix);
  /// Restores the earlier current directory if Enter made this one current,
  /// then removes the tree; a tree that stays reports a test failure.
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const noexcept { return path_; }
  /// The name of `leaf` inside the folder.
  std::string Path(const std::string& leaf) const { return path_ + "/" + leaf; }

  /// Makes the folder the current directory until destruction; throws
  /// std::runtime_error when it cannot.
  void Enter();

 private:
  std::string path_;
  std::string previousDirectory_;  // empty: never entered
  pid_t owner_;
};

}  // namespace orv::test
