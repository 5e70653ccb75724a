// Loads the library (through a driver object that links it), uses it and
// unloads it, many times in one process. Each cycle must really unload the
// library, leave no file descriptor open, and work exactly as the first.
#include <dirent.h>
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

int CountOpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') ++count;
    }
    closedir(dir);
  }
  return count;
}

bool LibraryIsMapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("libquonvop4j.so") != std::string::npos) return true;
  }
  return false;
}

int Cycles() {
  const char* configured = std::getenv("ORV_LOAD_CYCLES");
  return configured != nullptr ? std::atoi(configured) : LOAD_CYCLES;
}

TEST(LoadCycle, EveryCycleUnloadsAndWorksAsTheFirst) {
  char folder[] = "/tmp/orv-cycle-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  ASSERT_FALSE(LibraryIsMapped());
  const int descriptors = CountOpenDescriptors();
  std::string first;
  const int cycles = Cycles();
  for (int cycle = 0; cycle < cycles; ++cycle) {
    void* driver = dlopen(DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(driver, nullptr) << dlerror();
    ASSERT_TRUE(LibraryIsMapped());
    auto drive = reinterpret_cast<int (*)(const char*, char*, std::size_t)>(
        dlsym(driver, "DriveLibrary"));
    ASSERT_NE(drive, nullptr);
    char report[1024] = {};
    ASSERT_EQ(drive(folder, report, sizeof report), 0) << report;
    if (cycle == 0) {
      first = report;
      EXPECT_EQ(first,
                "libquonvop4j||file %1 cannot be opened|"
                "libquonvop4j: fatal error QV1313 - Invalid date/time: not set.|cycle");
    } else {
      ASSERT_EQ(first, report) << "cycle " << cycle;
    }
    ASSERT_EQ(dlclose(driver), 0);
    ASSERT_FALSE(LibraryIsMapped()) << "cycle " << cycle << ": dlclose did not unload";
    ASSERT_EQ(CountOpenDescriptors(), descriptors) << "cycle " << cycle;
  }
  rmdir(folder);
}

}  // namespace
