// ThrowingModule.cpp - a test module whose "ModuleInit" throws when told of
// its unload.
#include <stdexcept>

extern "C" __attribute__((visibility("default"))) void ModuleInit(int value) {
  if (value == 0) throw std::runtime_error("unload refused");
}
