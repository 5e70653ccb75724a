// orv/file/Parsing.cpp - a small scanner for numbers and single characters.
#include "orv/file/Parsing.h"

#include <cctype>
#include <cstring>

#include "orv/error/Exception.h"
#include "orv/error/MessageNumbers.h"
#include "orv/startup/SystemInfo.h"

namespace orv {
namespace {

// Every byte is read as unsigned char: bytes above 127 must never reach the
// <cctype> functions as negative values.
unsigned char Byte(const char* p) { return static_cast<unsigned char>(*p); }

bool IsBlank(unsigned char c) {
  if (c == ' ' || c == '\t') return true;
  if (c == '\n' || c == '\r') return SystemInfo().LineBreaksAreBlank();
  return false;
}

bool IsDecimalDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsOctalDigit(unsigned char c) { return c >= '0' && c <= '7'; }

// The value of a hexadecimal digit, or -1.
int HexDigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Parsing::Parsing(const char* text)
    : tokenStart(text != nullptr ? text : ""), tokenEnd(tokenStart), cursor(tokenStart) {}

Parsing::~Parsing() = default;

void Parsing::SkipBlanks() {
  while (IsBlank(Byte(cursor))) ++cursor;
}

void Parsing::FindTokenEnd(unsigned int flags) {
  switch (flags & (TokenToBlank | TokenToCursor)) {
    case 0:
      tokenEnd = tokenStart + std::strlen(tokenStart);
      break;
    case TokenToCursor:
      tokenEnd = cursor;
      break;
    default: {
      const char* p = tokenStart;
      while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
      tokenEnd = p;
      if ((flags & TokenToCursor) != 0 && cursor <= p) tokenEnd = cursor;
      break;
    }
  }
}

StringBase<char> Parsing::GetToken(unsigned int flags) {
  if (flags != 0) {
    FindTokenEnd(flags);
  } else if (tokenEnd < tokenStart) {
    FindTokenEnd(TokenToBlank);
  }
  if (tokenEnd < tokenStart) return StringBase<char>();
  return StringOld(tokenStart, static_cast<std::size_t>(tokenEnd - tokenStart));
}

int Parsing::MatchChar(const char* chars, unsigned int flags) {
  if ((flags & ParseSkipBlanks) != 0) SkipBlanks();
  if (*cursor == '\0' || chars == nullptr) return 0;
  const unsigned char c = Byte(cursor);
  const bool ignoreCase = (flags & ParseIgnoreCase) != 0;
  for (const char* candidate = chars; *candidate != '\0'; ++candidate) {
    const unsigned char k = Byte(candidate);
    const bool same = ignoreCase ? std::tolower(k) == std::tolower(c) : k == c;
    if (same) {
      ++cursor;
      if ((flags & ParseSkipBlanks) != 0) SkipBlanks();
      return static_cast<int>(candidate - chars) + 1;
    }
  }
  return 0;
}

unsigned int Parsing::ParseDecimal(unsigned int flags, unsigned int max) {
  if ((flags & ParseSkipBlanks) != 0) SkipBlanks();
  tokenStart = cursor;
  if (!IsDecimalDigit(Byte(cursor))) {
    FindTokenEnd(TokenToBlank);
    Error(MessageDecimalExpected, nullptr);
  }
  unsigned int value = 0;
  bool overflow = false;
  while (IsDecimalDigit(Byte(cursor))) {
    const unsigned int digit = Byte(cursor) - '0';
    // 4294967295 = 429496729 * 10 + 5: one more digit would not fit.
    if (value > 429496729u || (value == 429496729u && digit > 5)) overflow = true;
    ++cursor;
    value = value * 10u + digit;
  }
  if (overflow) {
    if ((flags & ParseNoRangeError) == 0) {
      FindTokenEnd(TokenToCursor);
      Error(MessageValueOutOfRange, nullptr);
    }
    value = 4294967295u;
  }
  if (max != 0 && value > max) {
    FindTokenEnd(TokenToCursor);
    Error(MessageValueOutOfRange, nullptr);
  }
  if ((flags & ParseSkipBlanks) != 0) SkipBlanks();
  return value;
}

unsigned int Parsing::ParseNumber(unsigned int flags, unsigned int max) {
  try {
    if ((flags & ParseSkipBlanks) != 0) SkipBlanks();
    tokenStart = cursor;
    const unsigned int decimalFlags = flags & (ParseSkipBlanks | ParseNoRangeError);

    enum class Notation { Hex, Octal };
    Notation notation = Notation::Hex;
    bool digitRequired = false;
    unsigned int value = 0;
    if (*cursor == '0') {
      ++cursor;
      if (*cursor == 'x' || *cursor == 'X') {
        ++cursor;
        notation = Notation::Hex;
        digitRequired = true;
      } else if ((flags & ParseHex) != 0) {
        notation = Notation::Hex;  // the "0" already counts as a digit
      } else if ((flags & ParseOctal) != 0) {
        notation = Notation::Octal;
      } else {
        --cursor;
        return ParseDecimal(decimalFlags, max);
      }
    } else if ((flags & ParseHex) != 0) {
      notation = Notation::Hex;
      digitRequired = true;
    } else {
      return ParseDecimal(decimalFlags, max);
    }

    const bool rangeError = (flags & ParseNoRangeError) == 0;
    if (notation == Notation::Hex) {
      bool anyDigit = false;
      for (int digit = HexDigitValue(Byte(cursor)); digit >= 0;
           digit = HexDigitValue(Byte(cursor))) {
        // Above 0x0FFFFFFF one more digit would exceed 32 bits.
        if (value > 0x0FFFFFFFu && rangeError) {
          FindTokenEnd(TokenToCursor);
          Error(MessageValueOutOfRange, nullptr);
        }
        ++cursor;
        value = value * 16u + static_cast<unsigned int>(digit);
        anyDigit = true;
      }
      if (digitRequired && !anyDigit) {
        FindTokenEnd(TokenToBlank);
        Error(MessageNumberExpected, nullptr);
      }
    } else {
      // A "0" not followed by an octal digit is the number 0.
      while (IsOctalDigit(Byte(cursor))) {
        // Above 0x1FFFFFFF one more digit would exceed 32 bits.
        if (value > 0x1FFFFFFFu && rangeError) {
          FindTokenEnd(TokenToCursor);
          Error(MessageValueOutOfRange, nullptr);
        }
        value = value * 8u + (Byte(cursor) - '0');
        ++cursor;
      }
    }

    if (max != 0 && value > max) {
      FindTokenEnd(TokenToCursor);
      Error(MessageValueOutOfRange, nullptr);
    }
    if ((flags & ParseSkipBlanks) != 0) SkipBlanks();
    return value;
  } catch (Exception& e) {
    // The decimal path reports a missing digit in its own words; here the
    // item may have been any kind of number.
    if (e.GetNumber() == MessageDecimalExpected) e.SetNumber(MessageNumberExpected);
    throw;
  }
}

void Parsing::Error(long number, const char* extra) {
  throw Exception(number, GetToken(0), StringBase<char>(extra));
}

}  // namespace orv
