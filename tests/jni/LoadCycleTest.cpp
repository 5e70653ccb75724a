// Loads the library (through a driver object that links it), uses it and
// unloads it, many times in one process. Each cycle must really unload the
// library, leave no file descriptor open and no heap behind (where the C
// library's allocator serves the library: not under the sanitizers), and work
// exactly as the first.
#include <dirent.h>
#include <dlfcn.h>
#include <malloc.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/TempFolder.h"

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

// The library file the driver must bring in: the one ORV_LIBRARY_FILE names
// (the tests run against each library of the build), as the kernel names
// mappings.
std::string LibraryFile() {
  const char* named = std::getenv("ORV_LIBRARY_FILE");
  if (named == nullptr) return "libquonvop4j.so";
  char* resolved = realpath(named, nullptr);
  const std::string file = resolved != nullptr ? resolved : named;
  std::free(resolved);
  return file;
}

bool LibraryIsMapped() {
  static const std::string file = LibraryFile();
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find(file) != std::string::npos) return true;
  }
  return false;
}

// Bytes the C library's allocator has handed out and not had back: its own
// book-keeping, so the figure holds under an emulator too.
std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

int Cycles() {
  const char* configured = std::getenv("ORV_LOAD_CYCLES");
  return configured != nullptr ? std::atoi(configured) : LOAD_CYCLES;
}

TEST(LoadCycle, EveryCycleUnloadsAndWorksAsTheFirst) {
  const orv::test::TempFolder folder("orv-cycle");
  ASSERT_FALSE(LibraryIsMapped());
  const int descriptors = CountOpenDescriptors();
  std::string first;
  const int cycles = Cycles();
  ASSERT_GT(cycles, 0) << "no cycle to judge";
  // The first cycles fill the loader's and the C library's caches.
  constexpr int kWarmUpCycles = 3;
  std::size_t heapAfterWarmUp = 0;
  for (int cycle = 0; cycle < cycles; ++cycle) {
    void* driver = dlopen(DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(driver, nullptr) << dlerror();
    ASSERT_TRUE(LibraryIsMapped());
    auto drive = reinterpret_cast<int (*)(const char*, char*, std::size_t)>(
        dlsym(driver, "DriveLibrary"));
    ASSERT_NE(drive, nullptr);
    char report[1024] = {};
    ASSERT_EQ(drive(folder.Path().c_str(), report, sizeof report), 0) << report;
    if (cycle == 0) {
      first = report;
      EXPECT_EQ(first,
                "libquonvop4j||file %1 cannot be opened|"
                "libquonvop4j: fatal error QV1313 - Invalid date/time: not set.|"
                "libquonvop4j: warning QV4711 - Undocumented/internal (4711).|cycle");
    } else {
      ASSERT_EQ(first, report) << "cycle " << cycle;
    }
    ASSERT_EQ(dlclose(driver), 0);
    ASSERT_FALSE(LibraryIsMapped()) << "cycle " << cycle << ": dlclose did not unload";
    ASSERT_EQ(CountOpenDescriptors(), descriptors) << "cycle " << cycle;
    if (cycle + 1 == kWarmUpCycles) heapAfterWarmUp = HeapInUse();
  }
  // HEAP_GROWTH_BOUND is 0 where the allocator's figures mean nothing.
  if (HEAP_GROWTH_BOUND > 0 && cycles > kWarmUpCycles) {
    const long long growth =
        static_cast<long long>(HeapInUse()) - static_cast<long long>(heapAfterWarmUp);
    EXPECT_LE(growth, HEAP_GROWTH_BOUND) << "heap in use grew by " << growth << " bytes over "
                                         << cycles - kWarmUpCycles << " cycles";
  }
}

}  // namespace
