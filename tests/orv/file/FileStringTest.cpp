// FileStringTest.cpp - path operations of file names, on real files in a
// temporary folder that the fixture makes the current directory.
#include "orv/file/FileString.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "orv/error/LibraryMessages.h"
#include "orv/file/FileException.h"
#include "tests/support/ExpectFileException.h"
#include "tests/support/TempFolder.h"

namespace {

using orv::FileString;
using orv::test::ThrowsFileException;

// Makes a temporary folder the current directory and restores "HOME"
// afterwards.
class FileStringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* home = ::getenv("HOME");
    hadHome_ = home != nullptr;
    if (hadHome_) savedHome_ = home;
    folder_.Enter();
  }

  void TearDown() override {
    if (hadHome_) {
      ::setenv("HOME", savedHome_.c_str(), 1);
    } else {
      ::unsetenv("HOME");
    }
  }

  void MakeFile(const std::string& name) {
    const int fd = ::open(name.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
  }
  void MakeDir(const std::string& name) { ASSERT_EQ(::mkdir(name.c_str(), 0700), 0); }

  orv::test::TempFolder folder_{"orv-filestring"};
  const std::string dir_ = folder_.Path();

 private:
  bool hadHome_ = false;
  std::string savedHome_;
};

TEST_F(FileStringTest, AppendPath) {
  const struct {
    const char* name;
    const char* part;
    const char* expected;
  } cases[] = {
      {"/a", "b", "/a/b"},   {"/a/", "/b", "/a/b"}, {"/a/", "b", "/a/b"},
      {"/a", "/b", "/a/b"},  {"", "b", "b"},        {"/a", "", "/a"},
      {"a//", "//b", "a///b"}, {"/", "/", "/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " + " + c.part);
    FileString name(c.name);
    EXPECT_EQ(&name.AppendPath(c.part), &name);
    EXPECT_EQ(name, c.expected);
  }

  // The name as its own part is read before it changes.
  const struct {
    const char* name;
    const char* expected;
  } selfCases[] = {
      {"a", "a/a"}, {"/a/", "/a/a/"}, {"/a", "/a/a"}, {"a/", "a/a/"}, {"", ""},
  };
  for (const auto& c : selfCases) {
    SCOPED_TRACE(std::string(c.name) + " + itself");
    FileString name(c.name);
    EXPECT_EQ(name.AppendPath(name), c.expected);
  }
}

TEST_F(FileStringTest, Extensions) {
  const struct {
    const char* name;
    const char* removed;
    const char* withSo;
  } cases[] = {
      {"a.tar.gz", "a.tar", "a.tar.so"},
      {"dir.d/file", "dir.d/file", "dir.d/file.so"},
      {"name.", "name", "name.so"},
      {".profile", "", ".so"},
      {"dir/.hidden", "dir/", "dir/.so"},
      {"lib.x", "lib", "lib.so"},
      {"libfoo.so.1", "libfoo.so", "libfoo.so.so"},
      {"", "", ".so"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FileString name(c.name);
    EXPECT_EQ(name.RemoveExtension(), c.removed);
    EXPECT_EQ(FileString(c.name).SetExtension("so"), c.withSo);
    EXPECT_EQ(FileString(c.name).SetExtension(".so"), c.withSo);
  }
  EXPECT_EQ(FileString("lib.x").SetExtension(""), "lib.");

  // The name as its own extension is read before it changes.
  for (const auto& c : {std::pair<const char*, const char*>{"x.y", "x.x.y"}, {".so", ".so"},
                        {"lib", "lib.lib"}, {"d.d/f", "d.d/f.d.d/f"}}) {
    SCOPED_TRACE(std::string(c.first) + " with itself");
    FileString name(c.first);
    EXPECT_EQ(name.SetExtension(name), c.second);
  }
}

TEST_F(FileStringTest, GetFileName) {
  const struct {
    const char* name;
    const char* withExtension;
    const char* withoutExtension;
  } cases[] = {
      {"/a/b/c.txt", "c.txt", "c"},
      {"/a/b/", "", ""},
      {"c.tar.gz", "c.tar.gz", "c.tar"},
      {"/a.d/c", "c", "c"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const FileString name(c.name);
    EXPECT_EQ(name.GetFileName(true), c.withExtension);
    EXPECT_EQ(name.GetFileName(false), c.withoutExtension);
    EXPECT_EQ(name, c.name);
  }
}

TEST_F(FileStringTest, MakeAbsoluteCleansUpTextually) {
  ::setenv("HOME", "/home/u", 1);
  const struct {
    const char* name;
    std::string expected;
  } cases[] = {
      {"", dir_},  // the current directory, no clean-up
      {".", dir_ + "/."},
      {"a/./b", dir_ + "/a/b"},
      {"a/../b", dir_ + "/b"},
      {"a/b/../../../c", dir_.substr(0, dir_.rfind('/')) + "/c"},
      {"/a/b/../c", "/a/c"},
      {"/a/b/../../c", "/c"},
      {"/a/././b", "/a/b"},
      {"/a/./.", "/a/."},
      {"/../a", "/../a"},
      {"/a/../../b", "/../b"},
      {"/a//b", "/a//b"},
      {"/a//../b", "/a//../b"},  // no name in front of the ".."
      {"/a/b/..", "/a/b/.."},
      {"/a/b/../", "/a/"},
      {"~", "/home/u"},
      {"~/x", "/home/u/x"},
      {"~x", "/home/u/x"},
      {"~/a/../b", "/home/u/b"},
      {"/a/./../b", "/b"},            // the "." goes first, then the ".."
      {"/a/b/c/../../../../d", "/../d"},
      {"/a/../../b/../c", "/../c"},
      {"/../../a/../b", "/../../b"},
      {"/a/b/../../c/./d/..", "/c/d/.."},
      {"/./", "/"},
      {"/x/.././", "/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FileString name(c.name);
    EXPECT_EQ(&name.MakeAbsolute(), &name);
    EXPECT_EQ(name, c.expected);
  }

  // The form to open removes nothing: the system resolves it.
  const std::pair<const char*, std::string> asIs[] = {
      {"", dir_}, {"a/link/../b", dir_ + "/a/link/../b"}, {"~/./x/..", "/home/u/./x/.."},
      {"/a/../b", "/a/../b"}};
  for (const auto& c : asIs) {
    SCOPED_TRACE(c.first);
    FileString name(c.first);
    EXPECT_EQ(&name.MakeAbsoluteAsIs(), &name);
    EXPECT_EQ(name, c.second);
  }
}

TEST_F(FileStringTest, LongNamesAreCleanedUpAndShortenedWhole) {
  // Names of about a mebibyte, with hundreds of thousands of components to
  // remove or to drop.
  constexpr std::size_t n = 1 << 18;
  std::string dots;
  for (std::size_t i = 0; i < n; ++i) dots += "/.";
  FileString name(dots + "/x");
  EXPECT_EQ(name.MakeAbsolute(), "/x");

  std::string pairs;
  for (std::size_t i = 0; i < n; ++i) pairs += "/a";
  for (std::size_t i = 0; i < n; ++i) pairs += "/..";
  FileString up(pairs);
  EXPECT_EQ(up.MakeAbsolute(), "/a/..");  // the last ".." has no "/" behind it
  FileString upAndDown(pairs + "/b");
  EXPECT_EQ(upAndDown.MakeAbsolute(), "/b");

  std::string deep;
  for (std::size_t i = 0; i < n; ++i) deep += "/dir";
  const FileString file(deep + "/file.txt");
  EXPECT_EQ(file.GetShortName(20), "/.../dir/file.txt");
  std::string last124;
  for (int i = 0; i < 124; ++i) last124 += "/dir";
  EXPECT_EQ(file.GetShortName(0), "/..." + last124 + "/file.txt");  // 509 of 512

  // The same name as the text of a file exception.
  orv::RegisterLibraryMessages("libquonvop4j");
  const std::string text = orv::FileException(1003, FileString(dots + "/x")).what();
  EXPECT_EQ(text.substr(text.find(" - ")), " - file /x cannot be opened.");
}

TEST_F(FileStringTest, MakeAbsoluteWithHome) {
  const struct {
    const char* home;  // null: unset
    const char* name;
    const char* expected;
  } cases[] = {
      {"/home/u", "~/x", "/home/u/x"},
      {"/home/u/", "~/x", "/home/u/x"},
      {"/home/u/", "~", "/home/u/"},
      {nullptr, "~/x", "~/x"},
      {"", "~/x", "~/x"},
      {nullptr, "~/../a/./b", "~/../a/b"},  // relative: its first ".." stays
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.home ? c.home : "<unset>") + " " + c.name);
    if (c.home != nullptr) {
      ::setenv("HOME", c.home, 1);
    } else {
      ::unsetenv("HOME");
    }
    FileString name(c.name);
    EXPECT_EQ(name.MakeAbsolute(), c.expected);
  }
}

TEST_F(FileStringTest, ShortAndDisplayNames) {
  const struct {
    const char* name;
    std::size_t maxLength;
    std::string expected;
  } cases[] = {
      {"/home/user/projects/x.txt", 10, "/.../x.txt"},
      {"/home/user/projects/x.txt", 19, "/.../projects/x.txt"},
      {"/home/user/projects/x.txt", 25, "/home/user/projects/x.txt"},
      {"/x/averyverylongname", 10, "/.../averyverylongname"},
      {"/a/../b/c", 0, "/b/c"},
      {"/a/./b", 0, "/a/b"},
      {"rel.txt", 0, dir_ + "/rel.txt"},
      {"", 10, "<none>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const FileString name(c.name);
    EXPECT_EQ(name.GetShortName(c.maxLength), c.expected);
    EXPECT_EQ(name.GetDisplayName(c.maxLength, true), c.expected);
    EXPECT_EQ(name, c.name);
  }
  EXPECT_EQ(FileString().GetDisplayName(0, false), "");

  // 0 means 512 characters.
  const std::string longName = "/" + std::string(300, 'a') + "/" + std::string(300, 'b');
  EXPECT_EQ(FileString(longName).GetShortName(0), "/.../" + std::string(300, 'b'));
  const std::string fitting = "/" + std::string(255, 'a') + "/" + std::string(255, 'b');
  EXPECT_EQ(FileString(fitting).GetShortName(0), fitting);
}

TEST_F(FileStringTest, Canonicalize) {
  MakeDir("real");
  MakeFile("real/f");
  ASSERT_EQ(::symlink("real", "link"), 0);

  FileString name("link/../real/./f");
  EXPECT_EQ(&name.Canonicalize(), &name);
  EXPECT_EQ(name, dir_ + "/real/f");
  FileString empty;
  EXPECT_EQ(empty.Canonicalize(), "");

  // The system's reason picks the number, as for files.
  ASSERT_EQ(::symlink("loop", "loop"), 0);
  const struct {
    const char* name;
    long number;
  } failures[] = {
      {"missing/x", 1001},  // ENOENT
      {"real/f/x", 1002},   // ENOTDIR
      {"loop/x", 1003},     // ELOOP, which the table does not hold
  };
  for (const auto& c : failures) {
    SCOPED_TRACE(c.name);
    FileString path(c.name);
    EXPECT_TRUE(ThrowsFileException([&] { path.Canonicalize(); }, c.number, c.name));
    EXPECT_EQ(path, c.name);
  }
}

TEST_F(FileStringTest, IsExistingFile) {
  MakeFile("regular");
  MakeDir("folder");
  ASSERT_EQ(::mkfifo("fifo", 0600), 0);
  ASSERT_EQ(::symlink("regular", "to-regular"), 0);
  ASSERT_EQ(::symlink("nowhere", "dangling"), 0);

  const struct {
    std::string name;
    bool expected;
  } cases[] = {
      {"regular", true},
      {dir_ + "/regular", true},
      {"to-regular", true},  // links are followed
      {"/dev/null", true},   // a character device
      {"folder", false},
      {"fifo", false},
      {"dangling", false},
      {"missing", false},
      {"", false},
      {std::string("regular\0x", 9), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FileString(c.name).IsExistingFile(), c.expected);
  }
}

TEST_F(FileStringTest, RemovedCurrentDirectory) {
  MakeDir("gone");
  ASSERT_EQ(::chdir("gone"), 0);
  ASSERT_EQ(::rmdir((dir_ + "/gone").c_str()), 0);

  // The directory is gone: ENOENT, 1001.
  for (const char* relative : {"x/y", ""}) {
    SCOPED_TRACE(relative);
    FileString name(relative);
    EXPECT_TRUE(ThrowsFileException([&] { name.MakeAbsolute(); }, 1001, relative));
    EXPECT_EQ(name, relative);
  }

  // Names that need no current directory still work.
  FileString absolute("/a/./b");
  EXPECT_EQ(absolute.MakeAbsolute(), "/a/b");
  ::setenv("HOME", "/home/u", 1);
  FileString home("~/x");
  EXPECT_EQ(home.MakeAbsolute(), "/home/u/x");

  // Display forms never throw: the name is shortened as given.
  std::string shortName = "junk";
  EXPECT_NO_THROW(shortName = FileString("x/y").GetShortName(0));
  EXPECT_EQ(shortName, "x/y");
  EXPECT_NO_THROW(shortName = FileString("x/y").GetDisplayName(0, true));
  EXPECT_EQ(shortName, "x/y");
}

TEST_F(FileStringTest, FileExceptionCopiesCarryEverything) {
  const orv::FileException original(orv::Exception(2001, "one", "two", "three", "where"),
                                    FileString("/f"));
  orv::FileException assigned(1003, FileString("other"));
  EXPECT_EQ(assigned.GetArg1(), "");
  assigned = original;
  for (const orv::FileException& e : {orv::FileException(original), assigned}) {
    EXPECT_EQ(e.GetNumber(), 2001);
    EXPECT_EQ(e.GetArg1(), "one");
    EXPECT_EQ(e.GetArg2(), "two");
    EXPECT_EQ(e.GetArg3(), "three");
    EXPECT_EQ(e.GetLocation(), original.GetLocation());
    EXPECT_EQ(e.GetFileName(), "/f");
  }
}

}  // namespace
