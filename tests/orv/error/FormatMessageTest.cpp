// Tests of placeholder formatting.
#include "orv/error/FormatMessage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using orv::FormatMessage;
using orv::StringBase;

struct Case {
  const char* name;
  const char* format;
  std::vector<const char*> args;
  const char* expected;
};

const Case kCases[] = {
    {"system error", "System error %1%2", {"5", ": I/O failure"}, "System error 5: I/O failure"},
    {"reordered", "%2/%3/%1", {"Y", "M", "D"}, "M/D/Y"},
    {"lowest is %2", "at %2 and %3", {"A", "B", "C"}, "at %2 and %3"},
    {"repeated", "%1%1", {"A"}, "AA"},
    {"value is its own placeholder", "[%1]", {"%1"}, "[%1]"},
    {"value filled by a later pass", "%1", {"%2", "B"}, "B"},
    {"value with a lower placeholder", "%1 %2", {"x", "%1"}, "x %1"},
    {"no tenth placeholder", "%10", {"A"}, "A0"},
    {"gap stops the passes", "%1 %3", {"A", "B", "C"}, "A %3"},
    {"null argument is empty", "<%1>", {nullptr}, "<>"},
    {"no placeholder", "plain text", {"A"}, "plain text"},
    {"lone percent", "100% %1", {"sure"}, "100% sure"},
    {"nine arguments", "%9%8%7%6%5%4%3%2%1", {"1", "2", "3", "4", "5", "6", "7", "8", "9"},
     "987654321"},
    {"empty format", "", {"A"}, ""},
    // Not passed: left standing, and the passes go on while "%n" occurs.
    {"missing argument", "%1 %2 %3", {"A"}, "A %2 %3"},
    {"missing middle argument", "%1-%2", {}, "%1-%2"},
    // A value meets the text beside it: a placeholder formed across the seam
    // is filled by the later pass.
    {"percent in front of a value", "%%1", {"2", "B"}, "B"},
    {"digit behind a value", "%12", {"%", "B"}, "B"},
};

TEST(FormatMessage, CountedList) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    StringBase<char> out("junk");
    FormatMessage(out, c.format, c.args.data(), c.args.size());
    EXPECT_EQ(out, c.expected);
  }
}

TEST(FormatMessage, ManyPlaceholdersAndLongValues) {
  // A mebibyte of placeholders, in the format or in a value (a scanner token
  // of "%2" shown by an exception whose second argument is empty).
  constexpr std::size_t n = 1 << 19;
  std::string ones;
  std::string twos;
  for (std::size_t i = 0; i < n; ++i) {
    ones += "%1";
    twos += "%2";
  }
  StringBase<char> out;
  FormatMessage(out, ones.c_str(), "A");
  EXPECT_EQ(out, std::string(n, 'A'));
  FormatMessage(out, "[%1]", twos, "");
  EXPECT_EQ(out, "[]");
  FormatMessage(out, "%1", twos, "xy");
  std::string expected;
  for (std::size_t i = 0; i < n; ++i) expected += "xy";
  EXPECT_EQ(out, expected);
}

TEST(FormatMessage, NullFormatGivesTheEmptyString) {
  StringBase<char> out("junk");
  FormatMessage(out, nullptr, "A", "B");
  EXPECT_EQ(out, "");
  out = "junk";
  FormatMessage(out, nullptr, nullptr, 0);
  EXPECT_EQ(out, "");
}

TEST(FormatMessage, DirectArgumentsOfEveryStringKind) {
  StringBase<char> out("junk");
  const StringBase<char> second(": I/O failure");
  FormatMessage(out, "System error %1%2", "5", second);
  EXPECT_EQ(out, "System error 5: I/O failure");
  FormatMessage(out, "%1|%2|%3", std::string("s"), static_cast<const char*>(nullptr), "c");
  EXPECT_EQ(out, "s||c");
  FormatMessage(out, "%1 stays");
  EXPECT_EQ(out, "%1 stays");
}

TEST(FormatMessage, OnlyThePassedArgumentsAreRead) {
  // Two arguments for a format that names three: "%3" stays as it is.
  StringBase<char> out;
  FormatMessage(out, "%1, %2, %3", "a", "b");
  EXPECT_EQ(out, "a, b, %3");
}

TEST(FormatMessage, FormatAndArgumentsMayLieInTheOutput) {
  StringBase<char> out("%1 and %1");
  FormatMessage(out, out.c_str(), out.c_str());
  EXPECT_EQ(out, "%1 and %1 and %1 and %1");
}

}  // namespace
