// bench/TextBench.cpp - the text scanner, Base64 decoding and date/time
// conversions.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "orv/file/Parsing.h"
#include "orv/text/Base64.h"
#include "orv/text/DateTime.h"
#include "orv/text/StringBase.h"

namespace {

// --- Numbers in a text --------------------------------------------------------

constexpr int kNumbers = 10000;

// kNumbers unsigned decimal numbers of 1 to 10 digits (all within 32 bits),
// separated by one space.
const std::string& NumberText() {
  static const std::string text = [] {
    std::mt19937 random(42);
    std::string built;
    for (int i = 0; i < kNumbers; ++i) {
      const unsigned int digits = 1 + random() % 10;
      std::uint64_t value = random() % 10;
      for (unsigned int d = 1; d < digits; ++d) value = value * 10 + random() % 10;
      if (value > 4294967295u) value %= 4294967295u;
      built += std::to_string(value);
      built += ' ';
    }
    return built;
  }();
  return text;
}

template <unsigned int (orv::Parsing::*Step)(unsigned int, unsigned int)>
void BM_ParseOurs(benchmark::State& state) {
  const std::string& text = NumberText();
  std::uint64_t sum = 0;
  for (auto _ : state) {
    orv::Parsing parsing(text.c_str());
    for (int i = 0; i < kNumbers; ++i) sum += (parsing.*Step)(orv::ParseSkipBlanks, 0);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kNumbers);
}

// The floor: std::from_chars for each number, the one separating space
// stepped over by hand.
void BM_ParseFromChars(benchmark::State& state) {
  const std::string& text = NumberText();
  std::uint64_t sum = 0;
  for (auto _ : state) {
    const char* p = text.data();
    const char* end = p + text.size();
    for (int i = 0; i < kNumbers; ++i) {
      while (p < end && *p == ' ') ++p;
      unsigned int value = 0;
      p = std::from_chars(p, end, value).ptr;
      sum += value;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kNumbers);
}

BENCHMARK_TEMPLATE(BM_ParseOurs, &orv::Parsing::ParseDecimal)->Name("ours/Parsing.ParseDecimal");
BENCHMARK(BM_ParseFromChars)->Name("base/Parsing.ParseDecimal");
BENCHMARK_TEMPLATE(BM_ParseOurs, &orv::Parsing::ParseNumber)->Name("ours/Parsing.ParseNumber");
BENCHMARK(BM_ParseFromChars)->Name("base/Parsing.ParseNumber");

// --- Base64 -----------------------------------------------------------------

constexpr std::size_t kDecoded = 1024 * 1024;
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// 1 MiB of random bytes, encoded (no line breaks).
const orv::StringBase<char>& Base64Text() {
  static const orv::StringBase<char> text = [] {
    std::mt19937 random(7);
    std::vector<unsigned char> bytes(kDecoded);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
    orv::StringBase<char> built;
    for (std::size_t i = 0; i + 2 < kDecoded; i += 3) {
      const std::uint32_t group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
      built += kAlphabet[(group >> 18) & 63];
      built += kAlphabet[(group >> 12) & 63];
      built += kAlphabet[(group >> 6) & 63];
      built += kAlphabet[group & 63];
    }
    // 1048576 = 3 * 349525 + 1: one byte left, two padding characters.
    const std::uint32_t last = bytes[kDecoded - 1] << 16;
    built += kAlphabet[(last >> 18) & 63];
    built += kAlphabet[(last >> 12) & 63];
    built += "==";
    return built;
  }();
  return text;
}

void BM_Base64Decode(benchmark::State& state) {
  const orv::StringBase<char>& text = Base64Text();
  std::vector<unsigned char> out(kDecoded);
  for (auto _ : state) {
    benchmark::DoNotOptimize(orv::Base64::Decode(text, out.data(), out.size()));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kDecoded));
}

// The floor: a 256-entry table, four characters to three bytes per step,
// characters outside the alphabet count as 0 as in the library.
std::size_t DecodeTable(const char* text, std::size_t length, unsigned char* out) {
  static const auto table = [] {
    std::vector<unsigned char> values(256, 0);
    for (unsigned int i = 0; i < 64; ++i) values[static_cast<unsigned char>(kAlphabet[i])] = i;
    return values;
  }();
  if (length % 4 != 0) return 0;
  std::size_t padding = 0;
  while (padding < length && text[length - 1 - padding] == '=') ++padding;
  const std::size_t decoded = length / 4 * 3 - padding;
  const unsigned char* in = reinterpret_cast<const unsigned char*>(text);
  std::size_t o = 0;
  for (std::size_t i = 0; i < length; i += 4) {
    const std::uint32_t group = (table[in[i]] << 18) | (table[in[i + 1]] << 12) |
                                (table[in[i + 2]] << 6) | table[in[i + 3]];
    const unsigned char bytes[3] = {static_cast<unsigned char>(group >> 16),
                                    static_cast<unsigned char>(group >> 8),
                                    static_cast<unsigned char>(group)};
    for (int b = 0; b < 3 && o < decoded; ++b) out[o++] = bytes[b];
  }
  return decoded;
}

void BM_Base64DecodeTable(benchmark::State& state) {
  const orv::StringBase<char>& text = Base64Text();
  std::vector<unsigned char> out(kDecoded);
  std::vector<unsigned char> expected(kDecoded);
  orv::Base64::Decode(text, expected.data(), expected.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(DecodeTable(text.data(), text.size(), out.data()));
    benchmark::ClobberMemory();
  }
  if (out != expected) state.SkipWithError("the baseline decodes differently");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kDecoded));
}

BENCHMARK(BM_Base64Decode)->Name("ours/Base64.Decode.1MiB")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Base64DecodeTable)->Name("base/Base64.Decode.1MiB")->Unit(benchmark::kMicrosecond);

// --- Dates and times, with and without a time zone --------------------------

// Arg 0: TZ unset; Arg 1: TZ=Europe/Berlin. Set for each benchmark, as the C
// library reads it at tzset.
void UseTimeZone(benchmark::State& state) {
  if (state.range(0) == 0) {
    unsetenv("TZ");
  } else {
    setenv("TZ", "Europe/Berlin", 1);
  }
  tzset();
}

constexpr std::int64_t kTicksPerHour = 36000000000;
constexpr std::int32_t kOffset = 60;  // minutes: a fixed offset, no zone rules

void BM_UpdateTicks(benchmark::State& state) {
  UseTimeZone(state);
  orv::DateTime value;
  value.Set(2009, 10, 7, 12, 30, 15, 250, kOffset);
  int hour = 0;
  for (auto _ : state) {
    value.hour = static_cast<std::uint16_t>(hour);
    hour = (hour + 1) % 24;
    value.ticksValid = 0;
    value.UpdateTicks();
    benchmark::DoNotOptimize(value.ticks);
  }
}

void BM_Timegm(benchmark::State& state) {
  UseTimeZone(state);
  std::tm record{};
  record.tm_year = 2009 - 1900;
  record.tm_mon = 9;
  record.tm_mday = 7;
  record.tm_min = 30;
  record.tm_sec = 15;
  int hour = 0;
  for (auto _ : state) {
    record.tm_hour = hour;
    hour = (hour + 1) % 24;
    benchmark::DoNotOptimize(timegm(&record));
  }
}

void BM_UpdateFields(benchmark::State& state) {
  UseTimeZone(state);
  orv::DateTime value;
  value.Set(2009, 10, 7, 12, 30, 15, 250, kOffset);
  value.UpdateTicks();
  for (auto _ : state) {
    value.ticks += kTicksPerHour;
    value.fieldsValid = 0;
    value.UpdateFields();
    benchmark::DoNotOptimize(value.hour);
  }
}

void BM_GmtimeR(benchmark::State& state) {
  UseTimeZone(state);
  std::time_t t = 1254918615;
  std::tm record{};
  for (auto _ : state) {
    t += 3600;
    benchmark::DoNotOptimize(gmtime_r(&t, &record));
    benchmark::ClobberMemory();
  }
}

void BM_LocalOffset(benchmark::State& state) {
  UseTimeZone(state);
  orv::DateTime value;
  value.Set(2009, 10, 7, 12, 30, 15, 250, kOffset);
  value.UpdateTicks();
  value.fieldsValid = 0;  // the instant alone, as localtime_r gets it
  for (auto _ : state) {
    value.ticks += kTicksPerHour;
    benchmark::DoNotOptimize(value.LocalOffset());
  }
}

void BM_LocaltimeR(benchmark::State& state) {
  UseTimeZone(state);
  std::time_t t = 1254918615;
  std::tm record{};
  for (auto _ : state) {
    t += 3600;
    localtime_r(&t, &record);
    benchmark::DoNotOptimize(record.tm_gmtoff);
  }
}

// localtime reads the time zone again on every call (with TZ unset, a stat of
// /etc/localtime), as LocalOffset does so that a changed TZ is seen; this
// pair shows that cost is localtime's, the pair above what it adds to
// localtime_r.
void BM_Localtime(benchmark::State& state) {
  UseTimeZone(state);
  std::time_t t = 1254918615;
  for (auto _ : state) {
    t += 3600;
    const std::tm* record = localtime(&t);
    benchmark::DoNotOptimize(record->tm_gmtoff);
  }
}

BENCHMARK(BM_UpdateTicks)->Name("ours/DateTime.UpdateTicks")->ArgName("berlin")->Arg(0)->Arg(1);
BENCHMARK(BM_Timegm)->Name("base/DateTime.UpdateTicks")->ArgName("berlin")->Arg(0)->Arg(1);
BENCHMARK(BM_UpdateFields)->Name("ours/DateTime.UpdateFields")->ArgName("berlin")->Arg(0)->Arg(1);
BENCHMARK(BM_GmtimeR)->Name("base/DateTime.UpdateFields")->ArgName("berlin")->Arg(0)->Arg(1);
BENCHMARK(BM_LocalOffset)->Name("ours/DateTime.LocalOffset")->ArgName("berlin")->Arg(0)->Arg(1);
BENCHMARK(BM_LocaltimeR)->Name("base/DateTime.LocalOffset")->ArgName("berlin")->Arg(0)->Arg(1);
BENCHMARK(BM_LocalOffset)->Name("ours/DateTime.LocalOffset.localtime")->ArgName("berlin")->Arg(0)->Arg(1);
BENCHMARK(BM_Localtime)->Name("base/DateTime.LocalOffset.localtime")->ArgName("berlin")->Arg(0)->Arg(1);

}  // namespace
