// fuzz/FuzzCheck.h - property checks and input reading shared by the fuzz targets.
#ifndef ORV_FUZZ_FUZZCHECK_H
#define ORV_FUZZ_FUZZCHECK_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

// A property that does not hold: says which and where, then aborts so that
// libFuzzer records the input as a crash.
[[noreturn]] inline void Fail(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: property violated: %s\n", file, line, what);
  std::fflush(stderr);
  std::abort();
}

// Hands out the input from the front: single bytes and little-endian
// numbers, zero where the input has run out, then the rest as text.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

  std::uint32_t U16() {
    const std::uint32_t low = Byte();
    return low | static_cast<std::uint32_t>(Byte()) << 8;
  }

  std::uint32_t U32() { return U16() | U16() << 16; }

  std::string Rest() {
    const std::size_t from = pos_ < size_ ? pos_ : size_;
    pos_ = size_;
    return std::string(reinterpret_cast<const char*>(data_) + from, size_ - from);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// `text` cut at every `separator` byte (an empty text gives one empty piece).
inline std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> pieces(1);
  for (char c : text) {
    if (c == separator) {
      pieces.emplace_back();
    } else {
      pieces.back() += c;
    }
  }
  return pieces;
}

}  // namespace fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::fuzz::Fail(__FILE__, __LINE__, #condition))

#endif
