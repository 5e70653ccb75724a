// Tests of the library as the dynamic loader brings it up: the module, its
// identity and the services that its start created.
//
// Built twice: against libquonvop4j.so, and (LOAD_ORDER_LINKED_IN) with the
// library's load order compiled into the test program, where the services'
// internal publications can be seen, which the shared library keeps hidden.
#include <gtest/gtest.h>

#include "jni/ApplicationName.h"
#include "orv/file/FileException.h"
#include "orv/file/FileString.h"
#include "orv/startup/AutoInit.h"
#include "orv/startup/Module.h"
#include "orv/startup/StartUp.h"
#include "orv/text/DateTimeInit.h"
#if LOAD_ORDER_LINKED_IN
#include "orv/error/internal/ErrorLocationTable.h"
#include "orv/startup/internal/PublishedSystemInfo.h"
#endif

namespace {

#if LOAD_ORDER_LINKED_IN

// Each service's start hook is found where the load order instantiates its
// registrar; a hook that is not seen there silently becomes the no-op
// default, and the service then starts without publishing anything.
TEST(LoadOrderLinkedIn, EveryServicePublishesAtStart) {
  EXPECT_EQ(orv::AutoInitBase::RegisteredCount(), 4u);
  EXPECT_TRUE(orv::internal::ErrorLocationTableExists());
  EXPECT_NE(orv::internal::PublishedSystemInfo(), nullptr);
  EXPECT_NE(orv::StartUpTime(), nullptr);
  EXPECT_EQ(orv::StartUp::GetMain(), orv::Module::GetInstance());
}

#else

TEST(LoadedLibrary, ModuleIsMainWithItsNameAndTag) {
  orv::StartUp* main = orv::StartUp::GetMain();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main, orv::Module::GetInstance());
  ASSERT_NE(main->GetModuleName(), nullptr);
  EXPECT_EQ(*main->GetModuleName(), "libquonvop4j");
  EXPECT_STREQ(orv::StartUp::GetShortTag(), "QV");
  EXPECT_EQ(main->GetBaseName(), "orv");
  orv::StringBase<char> code("junk");
  EXPECT_EQ(main->GetLanguageCode(code), "");
}

TEST(LoadedLibrary, ServicesAreRegisteredAndStarted) {
  EXPECT_EQ(orv::AutoInitBase::RegisteredCount(), 4u);
  ASSERT_NE(orv::StartUpTime(), nullptr);  // the local time of start-up
  EXPECT_TRUE(orv::StartUpTime()->fieldsValid || orv::StartUpTime()->ticksValid);
}

TEST(LoadedLibrary, ApplicationNameStartsEmpty) {
  EXPECT_EQ(jni::ApplicationName(), "");
}

// The library carries its own C++ runtime; its exceptions must still reach a
// program built against the system's runtime as the types they are.
TEST(LoadedLibrary, ExceptionsThrownInsideAreCaughtByTypeOutside) {
  orv::FileString missing("/nonexistent/orv-test");
  try {
    missing.Canonicalize();
    FAIL() << "no exception";
  } catch (const orv::FileException& e) {
    EXPECT_EQ(e.GetNumber(), 1001);
    EXPECT_STREQ(e.what(), "libquonvop4j: fatal error QV1001 - file /nonexistent/orv-test not found.");
  }
  try {
    missing.Canonicalize();
    ADD_FAILURE() << "no exception";
  } catch (const std::exception& e) {
    EXPECT_NE(dynamic_cast<const orv::Exception*>(&e), nullptr);
  }
}

#endif

}  // namespace
