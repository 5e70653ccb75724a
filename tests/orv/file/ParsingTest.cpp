// ParsingTest.cpp - the text scanner: numbers, characters, tokens, errors.
#include "orv/file/Parsing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "orv/error/Exception.h"
#include "tests/support/ExpectException.h"

namespace {

using orv::Parsing;
using orv::test::ThrowsException;

constexpr unsigned int kNone = 0;

// What a failing step left behind.
struct Failure {
  long number = -1;
  std::string arg1;
  std::string arg2;
  std::ptrdiff_t cursor = -1;
  std::ptrdiff_t tokenStart = -1;
};

enum class Step { Decimal, Number };

// Runs one number step on `text`; on an exception records it.
bool RunStep(Step step, const char* text, unsigned int flags, unsigned int max,
         unsigned int& value, Failure& failure) {
  Parsing p(text);
  try {
    value = step == Step::Decimal ? p.ParseDecimal(flags, max) : p.ParseNumber(flags, max);
    return true;
  } catch (const orv::Exception& e) {
    failure.number = e.GetNumber();
    failure.arg1 = e.GetArg1();
    failure.arg2 = e.GetArg2();
    failure.cursor = p.cursor - text;
    failure.tokenStart = p.tokenStart - text;
    return false;
  }
}

struct NumberCase {
  Step step;
  const char* text;
  unsigned int flags;
  unsigned int max;
  long number;           // 0: success
  unsigned int value;    // on success
  const char* token;     // "%1" on failure
  std::ptrdiff_t cursor; // where the cursor stands afterwards
};

TEST(Parsing, NumbersAndTheirErrors) {
  const Step D = Step::Decimal;
  const Step N = Step::Number;
  const unsigned int NR = orv::ParseNoRangeError;
  const unsigned int HX = orv::ParseHex;
  const unsigned int OC = orv::ParseOctal;
  const NumberCase cases[] = {
      // 32-bit limits of decimal numbers.
      {D, "4294967295", kNone, 0, 0, 4294967295u, "", 10},
      {D, "4294967296", kNone, 0, 2005, 0, "4294967296", 10},
      {D, "4294967296", NR, 0, 0, 4294967295u, "", 10},
      {D, "99999999999999999999x", NR, 0, 0, 4294967295u, "", 20},
      {D, "42949672950", kNone, 0, 2005, 0, "42949672950", 11},
      {D, "0004294967295", kNone, 0, 0, 4294967295u, "", 13},
      // The upper limit.
      {D, "255", kNone, 255, 0, 255, "", 3},
      {D, "256", kNone, 255, 2005, 0, "256", 3},
      {D, "4294967296", NR, 255, 2005, 0, "4294967296", 10},
      // No digit at all.
      {D, "abc def", kNone, 0, 2020, 0, "abc", 0},
      {N, "abc def", kNone, 0, 2021, 0, "abc", 0},
      {D, "", kNone, 0, 2020, 0, "", 0},
      {D, "-1", kNone, 0, 2020, 0, "-1", 0},
      // Hexadecimal.
      {N, "0x1F", kNone, 0, 0, 31, "", 4},
      {N, "0X1f", HX | OC | NR, 0, 0, 31, "", 4},
      {N, "0x", kNone, 0, 2021, 0, "0x", 2},
      {N, "0xg1 rest", kNone, 0, 2021, 0, "0xg1", 2},
      {N, "ff", HX, 0, 0, 255, "", 2},
      {N, "0ff", HX, 0, 0, 255, "", 3},
      {N, "xff", HX, 0, 2021, 0, "xff", 0},
      {N, "123456789", HX, 0, 2005, 0, "12345678", 8},
      {N, "123456789", HX | NR, 0, 0, 0x23456789u, "", 9},
      {N, "0xFFFFFFFF", kNone, 0, 0, 0xFFFFFFFFu, "", 10},
      {N, "0x100", kNone, 0xFF, 2005, 0, "0x100", 5},
      // Octal.
      {N, "017", kNone, 0, 0, 17, "", 3},
      {N, "017", OC, 0, 0, 15, "", 3},
      {N, "08", OC, 0, 0, 0, "", 1},
      {N, "037777777777", OC, 0, 0, 0xFFFFFFFFu, "", 12},
      {N, "0400000000000", OC, 0, 2005, 0, "04000000000", 11},
      {N, "0400000000000", OC | NR, 0, 0, 0, "", 13},
      // Zero in every mode.
      {N, "0", kNone, 0, 0, 0, "", 1},
      {N, "0", HX, 0, 0, 0, "", 1},
      {N, "0", OC, 0, 0, 0, "", 1},
      // The decimal path keeps the 2005 of its range check.
      {N, "4294967296", kNone, 0, 2005, 0, "4294967296", 10},
      {N, "4294967296", NR | HX, 0, 0, 0x94967296u, "", 10},
      {N, "256", kNone, 255, 2005, 0, "256", 3},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(std::string(c.step == D ? "ParseDecimal " : "ParseNumber ") + c.text);
    unsigned int value = 0xEEEEEEEEu;
    Failure failure;
    const bool ok = RunStep(c.step, c.text, c.flags, c.max, value, failure);
    if (c.number == 0) {
      ASSERT_TRUE(ok) << "threw " << failure.number << " " << failure.arg1;
      EXPECT_EQ(value, c.value);
    } else {
      ASSERT_FALSE(ok) << "gave " << value;
      EXPECT_EQ(failure.number, c.number);
      EXPECT_EQ(failure.arg1, c.token);
      EXPECT_EQ(failure.arg2, "");
      EXPECT_EQ(failure.tokenStart, 0);
      EXPECT_EQ(failure.cursor, c.cursor);
    }
  }
}

TEST(Parsing, DottedVersion) {
  const char* text = "1.2.3";
  Parsing p(text);
  EXPECT_EQ(p.ParseNumber(kNone, 0), 1u);
  EXPECT_EQ(p.MatchChar(".", kNone), 1);
  EXPECT_EQ(p.ParseNumber(kNone, 0), 2u);
  EXPECT_EQ(p.MatchChar(".", kNone), 1);
  EXPECT_EQ(p.ParseNumber(kNone, 0), 3u);
  EXPECT_EQ(p.cursor, text + std::strlen(text));
  EXPECT_EQ(p.MatchChar(".", kNone), 0);  // at the end
}

TEST(Parsing, MatchChar) {
  struct Case {
    const char* text;
    const char* chars;
    unsigned int flags;
    int result;
    std::ptrdiff_t cursor;
  };
  const Case cases[] = {
      {"-5", "-.", kNone, 1, 1},
      {".5", "-.", kNone, 2, 1},
      {"x5", "-.", kNone, 0, 0},
      {"B", "ab", kNone, 0, 0},
      {"B", "ab", orv::ParseIgnoreCase, 2, 1},
      {"b", "AB", orv::ParseIgnoreCase, 2, 1},
      {"", "ab", kNone, 0, 0},
      {"a", nullptr, kNone, 0, 0},
      {"a", "", kNone, 0, 0},
      {"  ,  x", ",", orv::ParseSkipBlanks, 1, 5},
      {"  ;", ",", orv::ParseSkipBlanks, 0, 2},
      {" ,", ",", kNone, 0, 0},
      // Bytes above 127 compare as bytes, with and without case folding.
      {"\xC4", "a\xE4\xC4", orv::ParseIgnoreCase, 3, 1},
      {"\xFF", "\xFE\xFF", orv::ParseIgnoreCase, 2, 1},
      {"\xFF", "\xFE\xFF", kNone, 2, 1},
      {"\x80", "ab", orv::ParseIgnoreCase | orv::ParseSkipBlanks, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Parsing p(c.text);
    EXPECT_EQ(p.MatchChar(c.chars, c.flags), c.result);
    EXPECT_EQ(p.cursor - c.text, c.cursor);
  }
}

TEST(Parsing, SkipBlanksIncludingLineBreaks) {
  for (const char* text : {"  12  ,3", "\n12\r\n,\t\n3\n", " \t12 \n , \r 3  "}) {
    SCOPED_TRACE(text);
    Parsing p(text);
    EXPECT_EQ(p.ParseNumber(orv::ParseSkipBlanks, 0), 12u);
    EXPECT_EQ(p.MatchChar(",", orv::ParseSkipBlanks), 1);
    EXPECT_EQ(p.ParseNumber(orv::ParseSkipBlanks, 0), 3u);
    EXPECT_EQ(*p.cursor, '\0');
  }
  // Without the flag a blank is not a number.
  Parsing p(" 12");
  EXPECT_THROW(p.ParseDecimal(kNone, 0), orv::Exception);
}

TEST(Parsing, ErrorTokenStartsAtItemAfterBlanks) {
  const char* text = "  7 , x9\nmore";
  Parsing p(text);
  EXPECT_EQ(p.ParseDecimal(Parsing::ParseSkipBlanks, 0), 7u);
  EXPECT_EQ(p.MatchChar(",", Parsing::ParseSkipBlanks), 1);
  // The quoted token runs on across the line break.
  EXPECT_TRUE(ThrowsException([&] { p.ParseNumber(Parsing::ParseSkipBlanks, 0); }, 2021,
                              "x9\nmore"));
  EXPECT_EQ(p.tokenStart, text + 6);
  EXPECT_EQ(p.cursor, text + 6);
}

TEST(Parsing, GetTokenWithFlags) {
  const char* text = "ab cd\tef";
  struct Case {
    std::ptrdiff_t start;
    std::ptrdiff_t cursor;
    unsigned int flags;
    const char* token;
  };
  const Case cases[] = {
      {3, 4, orv::TokenToCursor, "c"},
      {3, 4, orv::TokenToBlank, "cd"},
      {3, 4, orv::TokenToBlank | orv::TokenToCursor, "c"},
      {3, 7, orv::TokenToBlank | orv::TokenToCursor, "cd"},
      {6, 6, orv::TokenToBlank, "ef"},
      {3, 3, orv::ParseSkipBlanks, "cd\tef"},  // neither token bit: to the end
      {3, 1, orv::TokenToCursor, ""},            // cursor before the start
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.token);
    Parsing p(text);
    p.tokenStart = text + c.start;
    p.cursor = text + c.cursor;
    EXPECT_EQ(p.GetToken(c.flags), c.token);
  }
}

TEST(Parsing, GetTokenWithoutFlagsKeepsTokenEnd) {
  const char* text = "ab cd";
  Parsing p(text);
  p.tokenEnd = text + 1;
  EXPECT_EQ(p.GetToken(0), "a");
  // A tokenEnd before tokenStart is first found at the next blank.
  p.tokenStart = text + 1;
  p.tokenEnd = text;
  EXPECT_EQ(p.GetToken(0), "b");
  EXPECT_EQ(p.tokenEnd, text + 2);
}

TEST(Parsing, ErrorCarriesTokenAndExtraText) {
  Parsing p("12 34");
  p.FindTokenEnd(orv::TokenToBlank);
  EXPECT_TRUE(ThrowsException([&] { p.Error(2005, "extra"); }, 2005, "12", "extra"));
}

TEST(Parsing, NullTextIsEmpty) {
  Parsing p(nullptr);
  ASSERT_NE(p.cursor, nullptr);
  EXPECT_EQ(*p.cursor, '\0');
  EXPECT_EQ(p.MatchChar("a", orv::ParseSkipBlanks), 0);
  EXPECT_TRUE(ThrowsException([&] { p.ParseNumber(kNone, 0); }, 2021));
}

}  // namespace
