// Tests of the library as the dynamic loader brings it up: the module, its
// identity and the services that its start created.
#include <gtest/gtest.h>

#include "jni/ApplicationName.h"
#include "orv/file/FileException.h"
#include "orv/file/FileString.h"
#include "orv/error/ErrorLocation.h"
#include "orv/startup/AutoInit.h"
#include "orv/startup/Module.h"
#include "orv/startup/StartUp.h"
#include "orv/text/DateTimeInit.h"

namespace {

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
  EXPECT_TRUE(orv::internal::ErrorLocationTableExists());
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
    EXPECT_EQ(e.GetNumber(), 1003);
    EXPECT_STREQ(e.what(),
                 "libquonvop4j: fatal error QV1003 - file /nonexistent/orv-test cannot be opened.");
  }
  try {
    missing.Canonicalize();
    ADD_FAILURE() << "no exception";
  } catch (const std::exception& e) {
    EXPECT_NE(dynamic_cast<const orv::Exception*>(&e), nullptr);
  }
}

}  // namespace
