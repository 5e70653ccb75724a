// RecordingModule.cpp - a test module that records the arguments of its
// "ModuleInit" calls, readable through RecordedInitCalls() ("1,0" for a load
// and an unload).
#include <cstddef>

namespace {
char recorded[256] = "";
std::size_t used = 0;
}  // namespace

extern "C" {

__attribute__((visibility("default"))) void ModuleInit(int value) {
  if (used + 3 >= sizeof recorded) return;  // full: later calls are not kept
  if (used != 0) recorded[used++] = ',';
  recorded[used++] = value == 0 ? '0' : value == 1 ? '1' : '?';
  recorded[used] = '\0';
}

__attribute__((visibility("default"))) const char* RecordedInitCalls() { return recorded; }

}  // extern "C"
