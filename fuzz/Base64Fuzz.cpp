// fuzz/Base64Fuzz.cpp - orv::Base64::Decode with any text and any output size.
//
// Input: two bytes give the output size (bounded to 4096), one byte chooses
// a null buffer for size 0, the rest is the text. The output buffer is
// allocated with exactly that size, so AddressSanitizer catches every write
// beyond it, and is filled with junk first. The result and every output byte
// are compared with a straightforward decoder of the same lenient rules.
#include "orv/text/Base64.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "fuzz/FuzzCheck.h"

namespace {

constexpr std::size_t kMaxOutSize = 4096;

// The value of one character: its index in the standard alphabet; "=" and
// every foreign byte count as 0.
unsigned ValueOf(char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned>(c - 'A');
  if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a') + 26;
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0') + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;
}

// The reference decoding: the bytes of every group, and the decoded length
// (3 per group less the characters from the first "=" on, never below 0).
std::size_t ReferenceDecode(const std::string& text, std::string& bytes) {
  bytes.clear();
  if (text.size() % 4 != 0) return 0;
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const unsigned v0 = ValueOf(text[i]), v1 = ValueOf(text[i + 1]);
    const unsigned v2 = ValueOf(text[i + 2]), v3 = ValueOf(text[i + 3]);
    bytes += static_cast<char>(((v0 << 2) | (v1 >> 4)) & 0xFF);
    bytes += static_cast<char>(((v1 << 4) | (v2 >> 2)) & 0xFF);
    bytes += static_cast<char>(((v2 << 6) | v3) & 0xFF);
  }
  const std::size_t groupsLength = bytes.size();
  const std::size_t pad = text.find('=');
  if (pad == std::string::npos) return groupsLength;
  const std::size_t tail = text.size() - pad;
  return tail >= groupsLength ? 0 : groupsLength - tail;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::size_t outSize = input.U16() % (kMaxOutSize + 1);
  const bool nullWhenEmpty = (input.Byte() & 1) != 0;
  const std::string text = input.Rest();

  std::unique_ptr<unsigned char[]> buffer;
  if (outSize != 0 || !nullWhenEmpty) buffer.reset(new unsigned char[outSize]);
  unsigned char* out = buffer.get();
  if (outSize != 0) std::memset(out, 0xA5, outSize);

  const orv::StringBase<char> source(text);
  const std::size_t result = orv::Base64::Decode(source, out, outSize);

  // The text is not touched.
  FUZZ_CHECK(source == text);
  // Never more than three bytes per four characters (no wrap-around).
  FUZZ_CHECK(result <= text.size() / 4 * 3);
  if (text.size() % 4 != 0) FUZZ_CHECK(result == 0);

  std::string expected;
  FUZZ_CHECK(result == ReferenceDecode(text, expected));
  const std::size_t stored = std::min(result, outSize);
  FUZZ_CHECK(stored <= expected.size());
  if (stored != 0) FUZZ_CHECK(std::memcmp(out, expected.data(), stored) == 0);
  for (std::size_t i = stored; i < outSize; ++i) FUZZ_CHECK(out[i] == 0);
  return 0;
}
