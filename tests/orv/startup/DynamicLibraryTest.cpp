// DynamicLibraryTest.cpp - loading shared objects by name and the
// "ModuleInit" contract, with modules the build makes.
#include "orv/startup/DynamicLibrary.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace {

const std::string kModules = TEST_MODULES_DIR;
const std::string kRecording = kModules + "/recording_module.so";
const std::string kPlain = kModules + "/plain_module.so";
const std::string kThrowing = kModules + "/throwing_module.so";

std::string RealPath(const std::string& path) {
  char buffer[PATH_MAX];
  return ::realpath(path.c_str(), buffer) != nullptr ? buffer : "<unresolved " + path + ">";
}

// Whether the object at `path` is mapped into the process at all.
bool IsMapped(const std::string& path) {
  void* handle = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  ::dlclose(handle);
  return true;
}

// Keeps the recording module mapped on a reference of its own (which calls
// no "ModuleInit"), so its record survives the test's unloads.
class Recorder {
 public:
  Recorder() : handle_(::dlopen(kRecording.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
  ~Recorder() {
    if (handle_ != nullptr) ::dlclose(handle_);
  }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  void* Handle() const { return handle_; }
  void* Symbol() const { return ::dlsym(handle_, "RecordedInitCalls"); }
  std::string Calls() const {
    auto calls = reinterpret_cast<const char* (*)()>(Symbol());
    return calls != nullptr ? calls() : "<module not loaded>";
  }

 private:
  void* handle_;
};

// Runs in a temporary current directory and restores the previous one.
class DynamicLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_.Enter(); }

  orv::test::TempFolder folder_{"orv-dynlib"};
};

TEST_F(DynamicLibraryTest, LoadCallsEntryWithOneAndUnloadWithZero) {
  {
    Recorder recorder;
    orv::DynamicLibrary library;
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_EQ(library.GetSymbol("RecordedInitCalls"), nullptr);

    ASSERT_TRUE(library.Load(kRecording, false));
    EXPECT_TRUE(library.IsLoaded());
    EXPECT_EQ(library.GetFileName(), RealPath(kRecording));
    EXPECT_EQ(recorder.Calls(), "1");
    EXPECT_EQ(library.GetSymbol("RecordedInitCalls"), recorder.Symbol());
    EXPECT_EQ(library.GetSymbol("NoSuchSymbol"), nullptr);

    library.Unload();
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_EQ(library.GetSymbol("RecordedInitCalls"), nullptr);
    library.Unload();  // nothing loaded: no second 0
    EXPECT_EQ(recorder.Calls(), "1,0");
  }
  EXPECT_FALSE(IsMapped(kRecording));
}

TEST_F(DynamicLibraryTest, EachObjectCallsTheEntryForItsOwnLoad) {
  Recorder recorder;
  {
    orv::DynamicLibrary first;
    orv::DynamicLibrary second;
    ASSERT_TRUE(first.Load(kRecording, false));
    ASSERT_TRUE(second.Load(kRecording, false));
    first.Unload();
    EXPECT_TRUE(second.IsLoaded());
    EXPECT_NE(second.GetSymbol("RecordedInitCalls"), nullptr);
  }  // the destructor unloads the second
  EXPECT_EQ(recorder.Calls(), "1,1,0,0");
}

TEST_F(DynamicLibraryTest, LoadingAgainUnloadsTheEarlierLibrary) {
  {
    Recorder recorder;
    {
      orv::DynamicLibrary library;
      ASSERT_TRUE(library.Load(kRecording, false));
      ASSERT_TRUE(library.Load(kRecording, false));
      EXPECT_EQ(recorder.Calls(), "1,0,1");
      // A failed load still releases the earlier library.
      EXPECT_FALSE(library.Load(orv::FileString("no_such_module_h1.so"), false));
      EXPECT_FALSE(library.IsLoaded());
      EXPECT_EQ(library.GetFileName(), "no_such_module_h1.so");
    }
    EXPECT_EQ(recorder.Calls(), "1,0,1,0");
  }
  EXPECT_FALSE(IsMapped(kRecording));  // no handle was leaked
}

TEST_F(DynamicLibraryTest, LibraryWithoutEntryLoads) {
  orv::DynamicLibrary library;
  ASSERT_TRUE(library.Load(kPlain, false));
  EXPECT_EQ(library.GetSymbol("ModuleInit"), nullptr);
  auto plainValue = reinterpret_cast<int (*)()>(library.GetSymbol("PlainValue"));
  ASSERT_NE(plainValue, nullptr);
  EXPECT_EQ(plainValue(), 42);
  library.Unload();
  EXPECT_FALSE(library.IsLoaded());
  EXPECT_FALSE(IsMapped(kPlain));
}

TEST_F(DynamicLibraryTest, EntryOfADependencyIsNotCalled) {
  Recorder recorder;
  {
    orv::DynamicLibrary library;
    ASSERT_TRUE(library.Load(kModules + "/dependent_module.so", false));
    // The lookup through the handle reaches the dependency's entry; the
    // object still has none of its own.
    EXPECT_EQ(library.GetSymbol("ModuleInit"), ::dlsym(recorder.Handle(), "ModuleInit"));
    auto calls = reinterpret_cast<const char* (*)()>(library.GetSymbol("DependentCalls"));
    ASSERT_NE(calls, nullptr);
    EXPECT_STREQ(calls(), "");
  }
  EXPECT_EQ(recorder.Calls(), "");
}

// The loader takes the empty name for the main program. Its handle sees the
// whole global scope, so the entry and symbols of a module loaded into that
// scope are reachable through it, but they are not the main program's own.
TEST_F(DynamicLibraryTest, TheEmptyNameLoadsTheMainProgram) {
  Recorder recorder;
  orv::DynamicLibrary module;
  ASSERT_TRUE(module.Load(kRecording, false));  // into the global scope
  {
    orv::DynamicLibrary mainProgram;
    ASSERT_TRUE(mainProgram.Load(orv::FileString(""), false));
    EXPECT_TRUE(mainProgram.IsLoaded());
    EXPECT_EQ(mainProgram.GetFileName(), "");
    EXPECT_EQ(mainProgram.GetSymbol("RecordedInitCalls"), recorder.Symbol());
    EXPECT_EQ(mainProgram.GetOwnSymbol("RecordedInitCalls"), nullptr);
    EXPECT_EQ(module.GetOwnSymbol("RecordedInitCalls"), recorder.Symbol());
  }
  EXPECT_EQ(recorder.Calls(), "1");  // the module's own load only
}

TEST_F(DynamicLibraryTest, NamesTheLoaderCannotOpenGiveFalse) {
  ASSERT_EQ(::mkdir("sub", 0700), 0);
  const std::string directory = folder_.Path() + "/./sub";
  struct Case {
    std::string name;
    bool addExtension;
    std::string fileName;  // as kept by the object: never canonicalised
  };
  const Case cases[] = {
      {"no_such_module_h1.so", false, "no_such_module_h1.so"},
      {"no_such_module_h1", true, "no_such_module_h1.so"},
      {directory, false, directory},  // a directory is no file
      {".", false, "."},
      {std::string("sub\0x", 5), false, std::string("sub\0x", 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("name: " + c.name);
    orv::DynamicLibrary library;
    EXPECT_FALSE(library.Load(c.name, c.addExtension));
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_EQ(library.GetFileName(), c.fileName);
    EXPECT_EQ(library.GetSymbol("ModuleInit"), nullptr);
  }
  EXPECT_EQ(::rmdir("sub"), 0);
}

TEST_F(DynamicLibraryTest, AddExtensionReplacesTheExtensionBySo) {
  ASSERT_EQ(::chdir(kModules.c_str()), 0);
  const std::string canonical = RealPath(kRecording);
  for (const char* name : {"recording_module", "recording_module.x", "recording_module.so"}) {
    SCOPED_TRACE(name);
    orv::DynamicLibrary library;
    ASSERT_TRUE(library.Load(name, true));
    EXPECT_EQ(library.GetFileName(), canonical);
  }
  // A bare name that is no file here goes to the loader's search as
  // name.so, and is kept as such.
  ASSERT_EQ(::chdir(folder_.Path().c_str()), 0);
  orv::DynamicLibrary library;
  ASSERT_TRUE(library.Load("same_name", true));
  EXPECT_EQ(library.GetFileName(), "same_name.so");
  auto where = reinterpret_cast<const char* (*)()>(library.GetSymbol("SameNameWhere"));
  ASSERT_NE(where, nullptr);
  EXPECT_STREQ(where(), "path");
}

TEST_F(DynamicLibraryTest, FileInCurrentDirectoryWinsOverSearchPath) {
  const std::string currentDir = kModules + "/current";
  ASSERT_EQ(::chdir(currentDir.c_str()), 0);
  orv::DynamicLibrary library;
  ASSERT_TRUE(library.Load("same_name.so", false));
  EXPECT_EQ(library.GetFileName(), RealPath(currentDir + "/same_name.so"));
  auto where = reinterpret_cast<const char* (*)()>(library.GetSymbol("SameNameWhere"));
  ASSERT_NE(where, nullptr);
  EXPECT_STREQ(where(), "current");
}

TEST_F(DynamicLibraryTest, EntryThrowingOnUnload) {
  {
    orv::DynamicLibrary library;
    ASSERT_TRUE(library.Load(kThrowing, false));
    EXPECT_THROW(library.Unload(), std::runtime_error);
    EXPECT_TRUE(library.IsLoaded());  // not closed when the entry throws
  }  // the destructor drops the exception and closes the library
  EXPECT_FALSE(IsMapped(kThrowing));
}

}  // namespace
