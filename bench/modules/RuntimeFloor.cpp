// bench/modules/RuntimeFloor.cpp - the floor of loading an object that
// carries its own C++ runtime, as the release library does: the runtime
// linked in and kept inside, and at load one stream buffer, which sets up the
// runtime's locale as the library's console sink does. Nothing else: the
// rest of the library's load is its own relocations and start-up.
#include <streambuf>

namespace {

class Buffer : public std::streambuf {};

Buffer buffer;

}  // namespace

extern "C" __attribute__((visibility("default"))) long BenchRuntimeFloor() {
  return static_cast<long>(buffer.in_avail());
}
