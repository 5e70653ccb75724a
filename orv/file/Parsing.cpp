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

// The first byte at or after p that is not blank.
const char* PastBlanks(const char* p) {
  while (IsBlank(Byte(p))) ++p;
  return p;
}

bool IsOctalDigit(unsigned char c) { return c >= '0' && c <= '7'; }

// The value of a hexadecimal digit, or -1.
int HexDigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The hexadecimal digits at the scanner's cursor as a 32-bit value; the
// cursor ends behind them. A digit that would carry the value beyond 32 bits
// throws 2005 with the cursor on it, unless `rangeError` is false: the value
// then keeps its low 32 bits. When `digitRequired`, no digit at all throws
// 2021.
unsigned int ReadHexDigits(Parsing& scanner, bool rangeError, bool digitRequired) {
  unsigned int value = 0;
  bool anyDigit = false;
  for (int digit = HexDigitValue(Byte(scanner.cursor)); digit >= 0;
       digit = HexDigitValue(Byte(scanner.cursor))) {
    // Above 0x0FFFFFFF one more digit would exceed 32 bits.
    if (value > 0x0FFFFFFFu && rangeError) {
      scanner.FindTokenEnd(TokenToCursor);
      scanner.Error(MessageValueOutOfRange, nullptr);
    }
    ++scanner.cursor;
    value = value * 16u + static_cast<unsigned int>(digit);
    anyDigit = true;
  }
  if (digitRequired && !anyDigit) {
    scanner.FindTokenEnd(TokenToBlank);
    scanner.Error(MessageNumberExpected, nullptr);
  }
  return value;
}

// The octal digits at the scanner's cursor as a 32-bit value, 0 when there
// are none; the cursor ends behind them. Range errors as ReadHexDigits.
unsigned int ReadOctalDigits(Parsing& scanner, bool rangeError) {
  unsigned int value = 0;
  while (IsOctalDigit(Byte(scanner.cursor))) {
    // Above 0x1FFFFFFF one more digit would exceed 32 bits.
    if (value > 0x1FFFFFFFu && rangeError) {
      scanner.FindTokenEnd(TokenToCursor);
      scanner.Error(MessageValueOutOfRange, nullptr);
    }
    value = value * 8u + (Byte(scanner.cursor) - '0');
    ++scanner.cursor;
  }
  return value;
}

}  // namespace

Parsing::Parsing(const char* text)
    : tokenStart(text != nullptr ? text : ""), tokenEnd(tokenStart), cursor(tokenStart) {}

Parsing::~Parsing() = default;

void Parsing::SkipBlanks() { cursor = PastBlanks(cursor); }

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

// Walks a local copy of the cursor and stores it once: a char read through
// the member could alias the member itself, so the compiler would otherwise
// store and reload it at every byte.
unsigned int Parsing::ParseDecimal(unsigned int flags, unsigned int max) {
  const char* p = (flags & ParseSkipBlanks) != 0 ? PastBlanks(cursor) : cursor;
  tokenStart = p;
  if (!IsDecimalDigit(Byte(p))) {
    cursor = p;
    FindTokenEnd(TokenToBlank);
    Error(MessageDecimalExpected, nullptr);
  }
  // Nine digits always fit in 32 bits; only a tenth or later one can carry
  // the value beyond 4294967295 = 429496729 * 10 + 5.
  unsigned int value = 0;
  for (int digits = 0; digits < 9 && IsDecimalDigit(Byte(p)); ++digits, ++p) {
    value = value * 10u + (Byte(p) - '0');
  }
  bool overflow = false;
  for (; IsDecimalDigit(Byte(p)); ++p) {
    const unsigned int digit = Byte(p) - '0';
    if (value > 429496729u || (value == 429496729u && digit > 5)) overflow = true;
    value = value * 10u + digit;
  }
  cursor = p;
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
  if ((flags & ParseSkipBlanks) != 0) cursor = PastBlanks(p);
  return value;
}

unsigned int Parsing::ParseNumber(unsigned int flags, unsigned int max) {
  if ((flags & ParseSkipBlanks) != 0) SkipBlanks();
  tokenStart = cursor;
  const bool rangeError = (flags & ParseNoRangeError) == 0;
  unsigned int value = 0;
  if (cursor[0] == '0' && (cursor[1] == 'x' || cursor[1] == 'X')) {
    cursor += 2;
    value = ReadHexDigits(*this, rangeError, true);
  } else if ((flags & ParseHex) != 0) {
    // A leading "0" already counts as a digit; any other item needs one of
    // its own ("xff" has none).
    value = ReadHexDigits(*this, rangeError, cursor[0] != '0');
  } else if (cursor[0] == '0' && (flags & ParseOctal) != 0) {
    ++cursor;
    value = ReadOctalDigits(*this, rangeError);
  } else {
    // ParseDecimal would report a missing digit as 2020 "decimal number
    // expected"; here the item might have been any kind of number.
    if (!IsDecimalDigit(Byte(cursor))) {
      FindTokenEnd(TokenToBlank);
      Error(MessageNumberExpected, nullptr);
    }
    return ParseDecimal(flags & (ParseSkipBlanks | ParseNoRangeError), max);
  }
  if (max != 0 && value > max) {
    FindTokenEnd(TokenToCursor);
    Error(MessageValueOutOfRange, nullptr);
  }
  if ((flags & ParseSkipBlanks) != 0) SkipBlanks();
  return value;
}

void Parsing::Error(long number, const char* extra) {
  throw Exception(number, GetToken(0), StringBase<char>(extra));
}

}  // namespace orv
