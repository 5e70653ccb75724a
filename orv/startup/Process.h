// orv/startup/Process.h - the descriptor of the running process.
#ifndef ORV_STARTUP_PROCESS_H
#define ORV_STARTUP_PROCESS_H

#include <cstdint>
#include <vector>

#include "orv/Export.h"
#include "orv/file/FileString.h"

namespace orv {

class DynamicLibrary;

/// The running process: its identifier, its executable and the objects the
/// loader has mapped into it. The descriptor does not change after Current()
/// made it, so its accessors are safe on any number of threads.
class ORV_API Process {
 public:
  /// The descriptor of the running process, created on the first call. Safe
  /// on any number of threads at once, first calls included: the descriptor
  /// is made and its path asked for once, and no caller sees it before that
  /// is done. If the executable path cannot be resolved, the descriptor stays
  /// with an empty path and the FileException passes on to the first caller
  /// only; later calls return the descriptor.
  static Process* Current();

  /// Canonical path of the running executable, through /proc/<pid>/exe.
  /// Throws FileException naming the link when it cannot be resolved (1003,
  /// or errno's number: 1001 where /proc is missing); `path` is then
  /// unchanged.
  void GetExecutablePath(FileString& path) const;

  /// Fills `libraries` with one new DynamicLibrary per object the loader
  /// has loaded, in the loader's order (the main program first, by its empty
  /// name); each holds a reference on its object, taken by the loader's name
  /// for it without mapping anything anew and without changing the object's
  /// symbol scope, and has called its own "ModuleInit" with 1. The names are
  /// taken under the loader's lock, so objects that other threads load or
  /// unload meanwhile do no harm; one that is gone before its reference is
  /// taken is listed unloaded. File names are kept as DynamicLibrary::Load
  /// keeps them. The list is emptied first; its earlier objects are not
  /// deleted. The caller owns the new objects. False, with the list
  /// unchanged, on a descriptor other than Current() or when the loader
  /// lists nothing. Throws std::bad_alloc when memory runs out; whatever the
  /// list holds then belongs to the caller.
  bool GetLoadedLibraries(std::vector<DynamicLibrary*>& libraries) const;

  const FileString& GetPath() const noexcept { return executablePath_; }
  std::int32_t GetId() const noexcept { return processId_; }

  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  /// Runs when the library (or the program holding it) is unloaded.
  ~Process();

 private:
  /// Empty path, identifier from getpid.
  Process();

  FileString executablePath_;
  std::int32_t processId_;
};

}  // namespace orv

#endif
