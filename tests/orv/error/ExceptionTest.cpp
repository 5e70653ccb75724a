// Tests of exception construction, location capture and copying.
#include "orv/error/Exception.h"

#include <gtest/gtest.h>

#include "orv/error/ErrorLocation.h"
#include "orv/error/internal/ErrorLocationTable.h"

namespace {

using orv::ErrorLocationScope;
using orv::Exception;

TEST(Exception, StoresNumberAndArguments) {
  Exception e(1312, "5", ": I/O failure", "third");
  EXPECT_EQ(e.GetNumber(), 1312);
  EXPECT_EQ(e.GetArg1(), "5");
  EXPECT_EQ(e.GetArg2(), ": I/O failure");
  EXPECT_EQ(e.GetArg3(), "third");
  EXPECT_EQ(e.GetLocation(), "");
}

TEST(Exception, GivenLocationIsStoredUnchangedOnAnEmptyStack) {
  Exception e(1313, "not set", "", "", "L");
  EXPECT_EQ(e.location, "L");
  EXPECT_EQ(orv::internal::ErrorLocationDepth(), 0u);
}

TEST(Exception, GivenLocationChainsToTheThreadsLocation) {
  ErrorLocationScope a("A", false);
  Exception e(1313, "not set", "", "", "B");
  EXPECT_EQ(e.location, "A, B");
  EXPECT_EQ(orv::internal::ErrorLocationDepth(), 1u);  // the stack is as before
}

TEST(Exception, WithoutLocationTheThreadsLocationIsCaptured) {
  ErrorLocationScope a("A", false);
  {
    ErrorLocationScope b("B", true);
    EXPECT_EQ(Exception(1).location, "A, B");
  }
  {
    ErrorLocationScope b("B", false);
    EXPECT_EQ(Exception(1).location, "B");
  }
}

TEST(Exception, CopyCarriesEverythingButTheComposedText) {
  Exception original(2005, "a", "b", "c", "where");
  const char* first = original.what();
  ASSERT_NE(first, nullptr);
  Exception copy(original);
  EXPECT_EQ(copy.number, 2005);
  EXPECT_EQ(copy.arg1, "a");
  EXPECT_EQ(copy.arg2, "b");
  EXPECT_EQ(copy.arg3, "c");
  EXPECT_EQ(copy.location, "where");
  EXPECT_STREQ(copy.what(), original.what());
  EXPECT_NE(copy.what(), original.what());  // each owns its own buffer
}

TEST(Exception, IsThrownAndCaughtByValueAsAStandardException) {
  try {
    throw Exception(2020, "abc");
  } catch (const std::exception& e) {
    const auto* orvException = dynamic_cast<const Exception*>(&e);
    ASSERT_NE(orvException, nullptr);
    EXPECT_EQ(orvException->number, 2020);
  }
}

}  // namespace
