// Base64Test.cpp - lenient Base64 decoding.
#include "orv/text/Base64.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/RunTogether.h"

namespace {

constexpr unsigned char kJunk = 0xEE;
constexpr std::size_t kOutSize = 16;

struct Result {
  std::size_t length;
  std::vector<unsigned char> out;
};

Result DecodeText(const std::string& text, std::size_t outSize = kOutSize) {
  std::vector<unsigned char> out(kOutSize + 4, kJunk);
  const std::size_t length = orv::Base64::Decode(text, out.data(), outSize);
  return Result{length, out};
}

// `expected` followed by zeros up to `outSize`, and the untouched junk behind.
std::vector<unsigned char> Expected(const std::string& expected,
                                    std::size_t outSize = kOutSize) {
  std::vector<unsigned char> out(kOutSize + 4, kJunk);
  for (std::size_t i = 0; i < outSize; ++i)
    out[i] = i < expected.size() ? static_cast<unsigned char>(expected[i]) : 0;
  return out;
}

TEST(Base64, DecodesRfc4648TestVectorsAndLenientCases) {
  struct Case {
    const char* text;
    std::size_t length;
    std::string bytes;
  };
  const Case cases[] = {
      // RFC 4648, section 10.
      {"", 0, ""},
      {"Zg==", 1, "f"},
      {"Zm8=", 2, "fo"},
      {"Zm9v", 3, "foo"},
      {"Zm9vYg==", 4, "foob"},
      {"Zm9vYmE=", 5, "fooba"},
      {"Zm9vYmFy", 6, "foobar"},
      // Length not a multiple of 4: nothing.
      {"Zm9", 0, ""},
      {"Zm9vY", 0, ""},
      {"Zm9v\n", 0, ""},
      // The length drops by everything from the first "=".
      {"Zg==Zg==", 0, ""},
      {"Zg=AZm9v", 0, ""},
      {"Zm9v====", 2, "fo"},
      {"====", 0, ""},
      {"A=======", 0, ""},
      // Foreign characters count as 0.
      {"Zm*v", 3, "f`/"},
      {"****", 3, std::string(3, '\0')},
      {"/+/+", 3, "\xFF\xEF\xFE"},
      {"\xC4m9v", 3, std::string("\x02\x6F\x6F", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const Result result = DecodeText(c.text);
    EXPECT_EQ(result.length, c.length);
    EXPECT_EQ(result.out, Expected(c.bytes));
  }
}

TEST(Base64, WritesAtMostOutSizeAndReportsFullLength) {
  for (std::size_t outSize = 0; outSize <= 7; ++outSize) {
    SCOPED_TRACE(outSize);
    const Result result = DecodeText("Zm9vYmFy", outSize);
    EXPECT_EQ(result.length, 6u);
    EXPECT_EQ(result.out, Expected(std::string("foobar").substr(0, outSize), outSize));
  }
}

TEST(Base64, AcceptsNullOutputOfSizeZero) {
  EXPECT_EQ(orv::Base64::Decode("Zm9vYmFy", nullptr, 0), 6u);
  EXPECT_EQ(orv::Base64::Decode("====", nullptr, 0), 0u);
}

// The alphabet is built on first use; eight threads hitting that first use
// together must all see it complete (run under the thread sanitizer too).
TEST(Base64, ConcurrentFirstUse) {
  constexpr int kThreads = 8;
  const std::vector<std::string> failures = orv::test::RunTogether(kThreads, [](int) {
    unsigned char out[8] = {kJunk, kJunk, kJunk, kJunk, kJunk, kJunk, kJunk, kJunk};
    const std::size_t length = orv::Base64::Decode("Zm9vYmE=", out, sizeof out);
    const std::string bytes(reinterpret_cast<char*>(out), sizeof out);
    return length == 5 && bytes == std::string("fooba\0\0\0", 8) ? std::string()
                                                                   : "decoded " + bytes;
  });
  EXPECT_EQ(failures, std::vector<std::string>(kThreads));
}

}  // namespace
