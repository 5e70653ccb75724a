// bench/modules/StartupFloor.cpp - the floor of the library's start-up: the
// work its load order must do, written plainly. At load it stores 139 texts
// in a map, reads the host record and the local time; at unload it frees them.
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <string>

namespace {

struct StartupWork {
  std::map<std::string, std::string> texts;
  utsname host{};
  long processors = 0;
  std::tm startTime{};

  StartupWork() {
    char text[96];
    for (unsigned int number = 1001; number < 1001 + 139; ++number) {
      std::snprintf(text, sizeof text, "default text of message %u with argument %%1", number);
      texts.emplace(std::to_string(number), text);
    }
    uname(&host);
    processors = sysconf(_SC_NPROCESSORS_ONLN);
    tzset();
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &startTime);
  }
};

StartupWork work;

}  // namespace

extern "C" __attribute__((visibility("default"))) long BenchStartupFloorTexts() {
  return static_cast<long>(work.texts.size()) + work.processors;
}
