// Tests of exception texts in the library as loaded: its messages are
// registered and its module ("QV", "libquonvop4j") is the main start-up
// object.
#include "orv/error/Exception.h"

#include <gtest/gtest.h>

#include <string>

#include "orv/error/ErrorLocation.h"
#include "orv/file/FileException.h"
#include "orv/startup/StartUp.h"

namespace {

using orv::Exception;

TEST(ExceptionText, TheLibraryIsTheReporter) {
  ASSERT_NE(orv::StartUp::GetMain(), nullptr);
  EXPECT_EQ(*orv::StartUp::GetMain()->GetModuleName(), "libquonvop4j");
  EXPECT_STREQ(orv::StartUp::GetShortTag(), "QV");
  EXPECT_STREQ(Exception(1313, "not set").what(),
               "libquonvop4j: fatal error QV1313 - Invalid date/time: not set.");
}

TEST(ExceptionText, ALocationFollowsTheReporter) {
  EXPECT_STREQ(Exception(1313, "not set", "", "", "L").what(),
               "libquonvop4j, L: fatal error QV1313 - Invalid date/time: not set.");
  orv::ErrorLocationScope outer("reading data.bin", false);
  EXPECT_STREQ(Exception(1313, "not set").what(),
               "libquonvop4j, reading data.bin: fatal error QV1313 - Invalid date/time: not set.");
}

struct Case {
  long number;
  const char* a1;
  const char* a2;
  const char* a3;
  const char* expected;
};

// Free texts, catalogue texts and numbers without text, in each class.
const Case kCases[] = {
    {2000, "disk %1 is full", "A", "", "libquonvop4j: error - disk A is full."},
    {1000, "disk %1 is full", "A", "", "libquonvop4j: fatal error - disk A is full."},
    {4000, "disk %1 is full", "A", "", "libquonvop4j: warning - disk A is full."},
    // Only the second and third arguments fill the free text.
    {2000, "%1/%2/%3", "x", "y", "libquonvop4j: error - x/y/%3."},
    {4711, "A", "", "", "libquonvop4j: warning QV4711 - Undocumented/internal (4711, A)."},
    {4711, "", "", "", "libquonvop4j: warning QV4711 - Undocumented/internal (4711)."},
    {4711, "A", "", "C", "libquonvop4j: warning QV4711 - Undocumented/internal (4711, A, C)."},
    {2500, "", "", "", "libquonvop4j: error QV2500 - Undocumented/internal (2500)."},
    {1500, "", "", "", "libquonvop4j: fatal error QV1500 - Undocumented/internal (1500)."},
    {0, "", "", "", "libquonvop4j: fatal error QV0 - Undocumented/internal (0)."},
    {-7, "", "", "", "libquonvop4j: fatal error QV-7 - Undocumented/internal (-7)."},
    {1312, "5", ": I/O failure", "", "libquonvop4j: fatal error QV1312 - System error 5: I/O failure."},
    {55321, "Y", "M", "D", "libquonvop4j: warning QV55321 - M/D/Y."},
    {2005, "%2", "7", "", "libquonvop4j: error QV2005 - value 7 out of range."},
    {4004, "", "", "", "libquonvop4j: warning QV4004 - file is packed."},
    // Placeholder rules through free texts.
    {2000, "%10", "A", "", "libquonvop4j: error - A0."},
    {2000, "%1%1", "A", "", "libquonvop4j: error - AA."},
    {2000, "<%1>", "%1", "", "libquonvop4j: error - <%1>."},
    {2000, "%1", "%2", "B", "libquonvop4j: error - B."},
    {2000, "only %2", "A", "B", "libquonvop4j: error - only %2."},
    {2000, "", "A", "", "libquonvop4j: error - ."},
};

TEST(ExceptionText, ClassWordsNumbersAndMessages) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.number);
    EXPECT_STREQ(Exception(c.number, c.a1, c.a2, c.a3).what(), c.expected);
  }
}

TEST(ExceptionText, NumbersShowTheirLow32Bits) {
  // On the 64-bit build a long holds more than the catalogue's 32 bits.
  const long number = static_cast<long>(static_cast<unsigned long>(0xFFFFFFFFul));
  const std::string text = Exception(number).what();
  if (sizeof(long) > 4) {
    EXPECT_EQ(text, "libquonvop4j: warning QV-1 - Undocumented/internal (-1).");
  } else {
    EXPECT_EQ(text, "libquonvop4j: fatal error QV-1 - Undocumented/internal (-1).");
  }
}

TEST(ExceptionText, WhatComposesTheSameTextEachTime) {
  Exception e(1313, "not set");
  const std::string first = e.what();
  EXPECT_EQ(first, e.what());
  EXPECT_EQ(first, e.ComposeText());
  const Exception copy(e);
  EXPECT_EQ(first, copy.what());
  try {
    throw e;
  } catch (const std::exception& caught) {
    EXPECT_EQ(first, caught.what());
  }
}

TEST(ExceptionText, AFileExceptionShowsNoneForAnEmptyName) {
  EXPECT_STREQ(orv::FileException(1001, orv::FileString("")).what(),
               "libquonvop4j: fatal error QV1001 - file <none> not found.");
}

}  // namespace
