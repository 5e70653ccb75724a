// fuzz/ParsingFuzz.cpp - a scanner grammar over orv::Parsing chosen by the input.
//
// Input: one byte gives the number of steps (1 to 32), three bytes per step
// give the operation (ParseDecimal, ParseNumber, MatchChar with one of a few
// character sets, GetToken, FindTokenEnd), its flags and its max; the rest is
// the text, which ends at its first zero byte. Every step must either return
// or throw orv::Exception 2005, 2020 or 2021; after every step the cursor and
// the token pointers stay inside the text, and the cursor never moves
// backwards. Each step is also run on a plain model of the scanning rules,
// and results, exceptions and all three positions must agree.
#include "orv/file/Parsing.h"

#include <cstring>

#include "fuzz/FuzzCheck.h"
#include "orv/error/Exception.h"

namespace {

constexpr long kValueOutOfRange = 2005;
constexpr long kDecimalExpected = 2020;
constexpr long kNumberExpected = 2021;


// A failure of the model: the message number and its "%1".
struct ModelError {
  long number;
  std::string token;
};

// The scanning rules on offsets into a std::string.
class Model {
 public:
  explicit Model(std::string text) : t_(std::move(text)) {}

  std::size_t tokenStart = 0;
  std::size_t tokenEnd = 0;
  std::size_t cursor = 0;

  char At(std::size_t i) const { return i < t_.size() ? t_[i] : '\0'; }

  void FindTokenEnd(unsigned flags) {
    const unsigned kind = flags & (orv::TokenToBlank | orv::TokenToCursor);
    if (kind == 0) {
      tokenEnd = t_.size();
    } else if (kind == orv::TokenToCursor) {
      tokenEnd = cursor;
    } else {
      std::size_t p = tokenStart;
      while (At(p) != '\0' && At(p) != ' ' && At(p) != '\t') ++p;
      tokenEnd = p;
      if ((flags & orv::TokenToCursor) != 0 && cursor <= p) tokenEnd = cursor;
    }
  }

  std::string GetToken(unsigned flags) {
    if (flags != 0) {
      FindTokenEnd(flags);
    } else if (tokenEnd < tokenStart) {
      FindTokenEnd(orv::TokenToBlank);
    }
    if (tokenEnd < tokenStart) return std::string();
    return t_.substr(tokenStart, tokenEnd - tokenStart);
  }

  int MatchChar(const char* chars, unsigned flags) {
    if ((flags & orv::ParseSkipBlanks) != 0) SkipBlanks();
    if (At(cursor) == '\0' || chars == nullptr) return 0;
    const char* found = nullptr;
    for (const char* k = chars; *k != '\0' && found == nullptr; ++k) {
      const bool same = (flags & orv::ParseIgnoreCase) != 0
                            ? Lower(*k) == Lower(At(cursor))
                            : *k == At(cursor);
      if (same) found = k;
    }
    if (found == nullptr) return 0;
    ++cursor;
    if ((flags & orv::ParseSkipBlanks) != 0) SkipBlanks();
    return static_cast<int>(found - chars) + 1;
  }

  unsigned ParseDecimal(unsigned flags, unsigned max) {
    if ((flags & orv::ParseSkipBlanks) != 0) SkipBlanks();
    tokenStart = cursor;
    if (!IsDigit(At(cursor))) {
      FindTokenEnd(orv::TokenToBlank);
      Error(kDecimalExpected);
    }
    // The exact value, held at 2^32 once it is beyond 32 bits.
    std::uint64_t value = 0;
    while (IsDigit(At(cursor))) {
      value = value * 10 + static_cast<std::uint64_t>(At(cursor) - '0');
      if (value > 0xFFFFFFFFu) value = 0x100000000u;
      ++cursor;
    }
    if (value > 0xFFFFFFFFu) {
      if ((flags & orv::ParseNoRangeError) == 0) {
        FindTokenEnd(orv::TokenToCursor);
        Error(kValueOutOfRange);
      }
      value = 0xFFFFFFFFu;
    }
    if (max != 0 && value > max) {
      FindTokenEnd(orv::TokenToCursor);
      Error(kValueOutOfRange);
    }
    if ((flags & orv::ParseSkipBlanks) != 0) SkipBlanks();
    return static_cast<unsigned>(value);
  }

  unsigned ParseNumber(unsigned flags, unsigned max) {
    try {
      return ParseNumberInner(flags, max);
    } catch (ModelError& e) {
      if (e.number == kDecimalExpected) e.number = kNumberExpected;
      throw;
    }
  }

 private:
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  static char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
  static int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  void SkipBlanks() {
    while (At(cursor) == ' ' || At(cursor) == '\t' || At(cursor) == '\n' ||
           At(cursor) == '\r')
      ++cursor;
  }

  [[noreturn]] void Error(long number) { throw ModelError{number, GetToken(0)}; }

  unsigned ParseNumberInner(unsigned flags, unsigned max) {
    if ((flags & orv::ParseSkipBlanks) != 0) SkipBlanks();
    tokenStart = cursor;
    const unsigned reduced = flags & (orv::ParseSkipBlanks | orv::ParseNoRangeError);
    const bool hexFlag = (flags & orv::ParseHex) != 0;
    const bool rangeError = (flags & orv::ParseNoRangeError) == 0;
    bool hex = false;
    bool required = false;
    if (At(cursor) == '0') {
      ++cursor;
      if (At(cursor) == 'x' || At(cursor) == 'X') {
        ++cursor;
        hex = required = true;
      } else if (hexFlag) {
        hex = true;
      } else if ((flags & orv::ParseOctal) == 0) {
        --cursor;
        return ParseDecimal(reduced, max);
      }
    } else if (hexFlag) {
      hex = required = true;
    } else {
      return ParseDecimal(reduced, max);
    }

    // A digit that would take the value beyond 32 bits is an error unless
    // ParseNoRangeError, which keeps the low 32 bits.
    const std::uint64_t base = hex ? 16 : 8;
    std::uint64_t value = 0;
    bool any = false;
    for (;;) {
      const int digit = hex ? HexValue(At(cursor))
                            : (At(cursor) >= '0' && At(cursor) <= '7' ? At(cursor) - '0' : -1);
      if (digit < 0) break;
      const std::uint64_t next = value * base + static_cast<std::uint64_t>(digit);
      if (next > 0xFFFFFFFFu && rangeError) {
        FindTokenEnd(orv::TokenToCursor);
        Error(kValueOutOfRange);
      }
      value = next & 0xFFFFFFFFu;
      ++cursor;
      any = true;
    }
    if (required && !any) {
      FindTokenEnd(orv::TokenToBlank);
      Error(kNumberExpected);
    }
    if (max != 0 && value > max) {
      FindTokenEnd(orv::TokenToCursor);
      Error(kValueOutOfRange);
    }
    if ((flags & orv::ParseSkipBlanks) != 0) SkipBlanks();
    return static_cast<unsigned>(value);
  }

  std::string t_;
};

unsigned FlagsOf(std::uint8_t selector) {
  unsigned flags = 0;
  if (selector & 0x01) flags |= orv::ParseSkipBlanks;
  if (selector & 0x02) flags |= orv::ParseNoRangeError;
  if (selector & 0x04) flags |= orv::ParseOctal;
  if (selector & 0x08) flags |= orv::ParseHex;
  if (selector & 0x10) flags |= orv::TokenToBlank;
  if (selector & 0x20) flags |= orv::TokenToCursor;
  if (selector & 0x40) flags |= orv::ParseIgnoreCase;
  if (selector & 0x80) flags |= 0x000002u | 0x400000u;  // bits that mean nothing
  return flags;
}

unsigned MaxOf(std::uint8_t selector) {
  static const unsigned kMax[16] = {0,   0,    1,     7,          9,          10,
                                    15,  16,   255,   256,        4095,       65535,
                                    100000, 0x7FFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFFu};
  return selector < 0x80 ? kMax[selector & 15] : static_cast<unsigned>(selector) * 0x01010101u;
}

const char* CharsOf(std::uint8_t selector) {
  static const char* const kChars[8] = {".", "-.", "ab", ",", " \t", "xX0", "0123456789abcdef",
                                        nullptr};
  return kChars[selector & 7];
}

enum Operation { kParseDecimal, kParseNumber, kMatchChar, kGetToken, kFindTokenEnd };

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::size_t steps = input.Byte() % 32 + 1;
  std::vector<std::uint8_t> program;
  for (std::size_t i = 0; i < steps * 3; ++i) program.push_back(input.Byte());
  const std::string raw = input.Rest();
  const char* const text = raw.c_str();
  const std::size_t length = std::strlen(text);

  orv::Parsing scanner(text);
  Model model(std::string(text, length));
  for (std::size_t step = 0; step < steps; ++step) {
    const std::uint8_t opByte = program[step * 3];
    const unsigned flags = FlagsOf(program[step * 3 + 1]);
    const unsigned max = MaxOf(program[step * 3 + 2]);
    const Operation op = static_cast<Operation>(opByte % 5);
    const char* chars = CharsOf(static_cast<std::uint8_t>(opByte / 5));
    const std::size_t cursorBefore = static_cast<std::size_t>(scanner.cursor - text);

    bool threw = false;
    long number = 0;
    std::string arg1;
    unsigned long long result = 0;
    try {
      switch (op) {
        case kParseDecimal: result = scanner.ParseDecimal(flags, max); break;
        case kParseNumber: result = scanner.ParseNumber(flags, max); break;
        case kMatchChar: result = static_cast<unsigned>(scanner.MatchChar(chars, flags)); break;
        case kGetToken: arg1 = scanner.GetToken(flags); break;
        case kFindTokenEnd: scanner.FindTokenEnd(flags); break;
      }
    } catch (const orv::Exception& e) {
      threw = true;
      number = e.GetNumber();
      arg1 = e.GetArg1();
      FUZZ_CHECK(number == kValueOutOfRange || number == kDecimalExpected ||
                 number == kNumberExpected);
      FUZZ_CHECK(op == kParseDecimal || op == kParseNumber);
      FUZZ_CHECK(op != kParseDecimal || number != kNumberExpected);
      FUZZ_CHECK(op != kParseNumber || number != kDecimalExpected);
      FUZZ_CHECK(e.GetArg2().empty() && e.GetArg3().empty());
    } catch (...) {
      fuzz::Fail(__FILE__, __LINE__, "Parsing threw something other than orv::Exception");
    }

    // Positions stay within the text, and the cursor only moves forward.
    for (const char* p : {scanner.tokenStart, scanner.tokenEnd, scanner.cursor}) {
      FUZZ_CHECK(p >= text && p <= text + length);
    }
    FUZZ_CHECK(static_cast<std::size_t>(scanner.cursor - text) >= cursorBefore);
    FUZZ_CHECK(scanner.tokenStart <= scanner.cursor);

    bool modelThrew = false;
    long modelNumber = 0;
    std::string modelArg1;
    unsigned long long modelResult = 0;
    try {
      switch (op) {
        case kParseDecimal: modelResult = model.ParseDecimal(flags, max); break;
        case kParseNumber: modelResult = model.ParseNumber(flags, max); break;
        case kMatchChar: modelResult = static_cast<unsigned>(model.MatchChar(chars, flags)); break;
        case kGetToken: modelArg1 = model.GetToken(flags); break;
        case kFindTokenEnd: model.FindTokenEnd(flags); break;
      }
    } catch (const ModelError& e) {
      modelThrew = true;
      modelNumber = e.number;
      modelArg1 = e.token;
    }
    FUZZ_CHECK(threw == modelThrew);
    FUZZ_CHECK(number == modelNumber);
    FUZZ_CHECK(arg1 == modelArg1);
    FUZZ_CHECK(result == modelResult);
    if (!threw && max != 0 && (op == kParseDecimal || op == kParseNumber)) {
      FUZZ_CHECK(result <= max);
    }
    FUZZ_CHECK(static_cast<std::size_t>(scanner.cursor - text) == model.cursor);
    FUZZ_CHECK(static_cast<std::size_t>(scanner.tokenStart - text) == model.tokenStart);
    FUZZ_CHECK(static_cast<std::size_t>(scanner.tokenEnd - text) == model.tokenEnd);
  }
  return 0;
}
