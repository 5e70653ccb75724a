// Tests of exception texts without the library's load order: the reporter
// when there is no start-up object or one with an empty name, and texts
// without a catalogue.
#include "orv/error/Exception.h"

#include <gtest/gtest.h>

#include <new>

#include "orv/error/ExceptionText.h"
#include "orv/error/FormatMessage.h"
#include "orv/error/LibraryMessages.h"
#include "orv/startup/Module.h"

namespace {

using orv::Exception;

TEST(ExceptionTextStatic, WithoutStartUpTheProgramNameReports) {
  orv::RegisterLibraryMessages("libquonvop4j");
  ASSERT_EQ(orv::StartUp::GetMain(), nullptr);
  // No start-up object has set a short tag either.
  EXPECT_STREQ(Exception(1313, "not set").what(),
               "ExceptionTextStaticTest: fatal error 1313 - Invalid date/time: not set.");
}

TEST(ExceptionTextStatic, WithoutProcessTheReporterIsUnknown) {
  orv::RegisterLibraryMessages("libquonvop4j");
  orv::internal::ReporterWithoutProcess withoutProcess;
  EXPECT_STREQ(Exception(2000, "disk full").what(), "<unknown>: error - disk full.");
}

TEST(ExceptionTextStatic, AModuleOfOurOwnReportsLikeTheLibrary) {
  orv::RegisterLibraryMessages("libquonvop4j");
  orv::Module module("QV", "libquonvop4j");
  EXPECT_STREQ(Exception(1313, "not set").what(),
               "libquonvop4j: fatal error QV1313 - Invalid date/time: not set.");
}

TEST(ExceptionTextStatic, AnEmptyModuleNameGivesAnEmptyReporter) {
  orv::RegisterLibraryMessages("libquonvop4j");
  {
    orv::Module module("QV", "");
    EXPECT_STREQ(Exception(1313, "not set").what(),
                 ": fatal error QV1313 - Invalid date/time: not set.");
  }
  orv::Module unnamed("XY", nullptr);
  EXPECT_STREQ(Exception(4000, "careful").what(), ": warning - careful.");
}

TEST(ExceptionTextStatic, WithoutCatalogueThePunctuationStays) {
  orv::Module module("QV", "m");
  EXPECT_STREQ(Exception(1313, "not set").what(), "m:  QV1313 - .");
  EXPECT_STREQ(Exception(2000, "free %1", "text").what(), "m:  - free text.");
}

// An exception whose composition always fails, as when memory is exhausted.
class Uncomposable : public Exception {
 public:
  using Exception::Exception;
  const char* ComposeText() const override { throw std::bad_alloc(); }
};

TEST(ExceptionTextStatic, WhatStillNamesTheNumberWhenCompositionFails) {
  EXPECT_STREQ(Uncomposable(1313).what(),
               "<unknown>: fatal error 1313 - message text unavailable.");
  orv::Module module("QV", "m");
  EXPECT_STREQ(Uncomposable(2500).what(), "m: error QV2500 - message text unavailable.");
  EXPECT_STREQ(Uncomposable(4711).what(), "m: warning QV4711 - message text unavailable.");
}

}  // namespace
