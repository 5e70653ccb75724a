// ProcessTest.cpp - the descriptor of the running process: its executable
// and the objects the loader has mapped.
#include "orv/startup/Process.h"

#include <dlfcn.h>
#include <link.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "orv/startup/DynamicLibrary.h"

namespace {

const std::string kRecording = std::string(TEST_MODULES_DIR) + "/recording_module.so";
const std::string kPlain = std::string(TEST_MODULES_DIR) + "/plain_module.so";

std::string RealPath(const std::string& path) {
  char buffer[PATH_MAX];
  return ::realpath(path.c_str(), buffer) != nullptr ? buffer : "<unresolved " + path + ">";
}

// The loader's chain as the test sees it, main program first.
std::vector<std::string> ChainNames() {
  std::vector<std::string> names;
  void* mainHandle = ::dlopen(nullptr, RTLD_NOW);
  struct link_map* map = nullptr;
  if (mainHandle == nullptr || ::dlinfo(mainHandle, RTLD_DI_LINKMAP, &map) != 0) return names;
  for (; map != nullptr; map = map->l_next) names.emplace_back(map->l_name);
  ::dlclose(mainHandle);
  return names;
}

// The name a listed object keeps: existing files by their real path.
std::string ExpectedFileName(const std::string& chainName) {
  struct stat status {};
  if (chainName.empty() || ::stat(chainName.c_str(), &status) != 0) return chainName;
  if (S_ISREG(status.st_mode) || S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) {
    return RealPath(chainName);
  }
  return chainName;
}

void DeleteAll(std::vector<orv::DynamicLibrary*>& libraries) {
  for (orv::DynamicLibrary* library : libraries) delete library;
  libraries.clear();
}

TEST(ProcessTest, CurrentDescribesThisProcess) {
  orv::Process* process = orv::Process::Current();
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(orv::Process::Current(), process);
  EXPECT_EQ(process->GetId(), static_cast<std::int32_t>(::getpid()));
}

TEST(ProcessTest, ExecutablePathIsTheProgramItself) {
  const std::string expected = RealPath("/proc/self/exe");
  ASSERT_EQ(expected.rfind("/proc/", 0), std::string::npos) << expected;
  EXPECT_EQ(expected.substr(expected.size() - 12), "/ProcessTest");

  orv::Process* process = orv::Process::Current();
  EXPECT_EQ(process->GetPath(), expected);
  orv::FileString path("junk");
  process->GetExecutablePath(path);
  EXPECT_EQ(path, expected);
}

TEST(ProcessTest, LoadedLibrariesFollowTheChain) {
  const std::vector<std::string> chain = ChainNames();
  ASSERT_GE(chain.size(), 2u);
  EXPECT_EQ(chain.front(), "");  // the main program

  // The list is emptied; what it held belongs to the caller and lives on.
  orv::DynamicLibrary earlier;
  std::vector<orv::DynamicLibrary*> libraries{&earlier, &earlier};
  ASSERT_TRUE(orv::Process::Current()->GetLoadedLibraries(libraries));
  ASSERT_EQ(libraries.size(), chain.size());
  for (std::size_t i = 0; i < chain.size(); ++i) {
    SCOPED_TRACE("chain entry " + std::to_string(i) + ": " + chain[i]);
    ASSERT_NE(libraries[i], &earlier);
    EXPECT_EQ(libraries[i]->GetFileName(), ExpectedFileName(chain[i]));
  }
  // The main program, by its empty name.
  EXPECT_TRUE(libraries.front()->IsLoaded());
  // The C library is mapped, so its entry loads.
  bool sawLibc = false;
  for (const orv::DynamicLibrary* library : libraries) {
    if (library->GetFileName().find("/libc.so") != std::string::npos) {
      sawLibc = true;
      EXPECT_TRUE(library->IsLoaded());
      EXPECT_NE(library->GetSymbol("malloc"), nullptr);
    }
  }
  EXPECT_TRUE(sawLibc);
  // Nothing was mapped anew (the dynamic loader's canonical path differs
  // from its chain name and would map a second copy).
  EXPECT_EQ(ChainNames(), chain);
  DeleteAll(libraries);
  EXPECT_EQ(ChainNames(), chain);
}

TEST(ProcessTest, ListedObjectsOutliveASecondCall) {
  // Pinned by a reference of its own, so the record survives the unloads.
  void* pin = ::dlopen(kRecording.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(pin, nullptr);
  auto calls = reinterpret_cast<const char* (*)()>(::dlsym(pin, "RecordedInitCalls"));
  ASSERT_NE(calls, nullptr);

  auto module = std::make_unique<orv::DynamicLibrary>();
  ASSERT_TRUE(module->Load(kRecording, false));
  EXPECT_STREQ(calls(), "1");

  // The module is one chain entry, so each list tells it once; the entries
  // of other objects do not.
  std::vector<orv::DynamicLibrary*> first;
  ASSERT_TRUE(orv::Process::Current()->GetLoadedLibraries(first));
  EXPECT_STREQ(calls(), "1,1");
  std::vector<orv::DynamicLibrary*> second;
  ASSERT_TRUE(orv::Process::Current()->GetLoadedLibraries(second));
  EXPECT_STREQ(calls(), "1,1,1");
  ASSERT_EQ(first.size(), second.size());

  for (std::size_t i = 0; i < first.size(); ++i) {
    SCOPED_TRACE(first[i]->GetFileName());
    EXPECT_EQ(first[i]->IsLoaded(), second[i]->IsLoaded());
  }
  std::size_t loaded = 0;
  for (const orv::DynamicLibrary* library : first) loaded += library->IsLoaded() ? 1 : 0;
  EXPECT_EQ(loaded, first.size());  // the main program included

  DeleteAll(first);
  EXPECT_STREQ(calls(), "1,1,1,0");
  DeleteAll(second);
  module.reset();
  EXPECT_STREQ(calls(), "1,1,1,0,0,0");
  ::dlclose(pin);
}

// Listing references objects that are loaded already: one loaded locally must
// stay out of the global scope, or its symbols would interpose on every object
// loaded later. One in the global scope stays there.
TEST(ProcessTest, ListingLeavesTheScopeOfEachObjectAsItWas) {
  void* local = ::dlopen(kPlain.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(local, nullptr) << ::dlerror();
  ASSERT_EQ(::dlsym(RTLD_DEFAULT, "PlainValue"), nullptr);
  orv::DynamicLibrary global;
  ASSERT_TRUE(global.Load(kRecording, false));

  std::vector<orv::DynamicLibrary*> libraries;
  ASSERT_TRUE(orv::Process::Current()->GetLoadedLibraries(libraries));
  bool listed = false;
  for (const orv::DynamicLibrary* library : libraries) {
    if (library->GetFileName() != RealPath(kPlain)) continue;
    listed = true;
    EXPECT_EQ(library->GetSymbol("PlainValue"), ::dlsym(local, "PlainValue"));
  }
  EXPECT_TRUE(listed);
  EXPECT_EQ(::dlsym(RTLD_DEFAULT, "PlainValue"), nullptr);
  DeleteAll(libraries);
  EXPECT_EQ(::dlsym(RTLD_DEFAULT, "PlainValue"), nullptr);
  EXPECT_NE(::dlsym(RTLD_DEFAULT, "RecordedInitCalls"), nullptr);
  ::dlclose(local);
}

}  // namespace
