// Tests of start-up objects, the module and module start and stop.
#include "orv/startup/StartUp.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "orv/startup/AutoInit.h"
#include "orv/startup/Module.h"

namespace {

using orv::Module;
using orv::StartUp;

// Start and stop events of the test services, in order.
std::vector<std::string> events;

struct FirstService {};
struct SecondService {};
FirstService* firstPublished = nullptr;
SecondService* secondPublished = nullptr;

void AutoInitStarted(FirstService* s) { firstPublished = s; events.push_back("start first"); }
void AutoInitStopping(FirstService* s) {
  EXPECT_EQ(firstPublished, s);
  firstPublished = nullptr;
  events.push_back("stop first");
}
void AutoInitStarted(SecondService* s) { secondPublished = s; events.push_back("start second"); }
void AutoInitStopping(SecondService* s) {
  EXPECT_EQ(secondPublished, s);
  secondPublished = nullptr;
  events.push_back("stop second");
}

// A StartUp that is not a Module.
class PlainStartUp : public StartUp {
 public:
  using StartUp::StartUp;
  orv::FileString GetBaseName() override { return "plain"; }
  bool Start() override { return true; }
  bool Stop() override { return true; }
};

TEST(StartUp, TheFirstOneStaysMainAndTheLastOneSetsTheTag) {
  auto a = std::make_unique<PlainStartUp>("AA", "a");
  auto b = std::make_unique<PlainStartUp>("BB", "b");
  EXPECT_EQ(StartUp::GetMain(), a.get());
  EXPECT_STREQ(StartUp::GetShortTag(), "BB");
  EXPECT_EQ(*a->GetModuleName(), "a");
  b.reset();
  EXPECT_EQ(StartUp::GetMain(), a.get());
  auto c = std::make_unique<PlainStartUp>("CC", "c");
  a.reset();
  EXPECT_EQ(StartUp::GetMain(), nullptr);  // c does not take a's place
  c.reset();
  EXPECT_EQ(StartUp::GetMain(), nullptr);
}

TEST(StartUp, ShortTagsAreCutToFifteenCharacters) {
  const struct {
    const char* tag;
    const char* expected;
  } cases[] = {
      {"QV", "QV"},
      {"ABCDEFGHIJKLMNO", "ABCDEFGHIJKLMNO"},
      {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNO"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNO"},
      {"", ""},
      {nullptr, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    PlainStartUp s(c.tag, "m");
    EXPECT_STREQ(StartUp::GetShortTag(), c.expected);
  }
}

TEST(StartUp, ANullModuleNameIsEmpty) {
  PlainStartUp s("QV", nullptr);
  ASSERT_NE(s.GetModuleName(), nullptr);
  EXPECT_EQ(*s.GetModuleName(), "");
}

TEST(StartUp, NoLanguageCodeOnLinux) {
  PlainStartUp s("QV", "m");
  orv::StringBase<char> code("junk");
  EXPECT_EQ(&s.GetLanguageCode(code), &code);
  EXPECT_EQ(code, "");
}

TEST(Module, TheNewestIsTheInstanceUntilAnyIsDestroyed) {
  auto a = std::make_unique<Module>("AA", "a");
  auto b = std::make_unique<Module>("BB", "b");
  EXPECT_EQ(Module::GetInstance(), b.get());
  EXPECT_EQ(StartUp::GetMain(), a.get());
  a.reset();
  EXPECT_EQ(Module::GetInstance(), nullptr);  // although b lives
  EXPECT_EQ(StartUp::GetMain(), nullptr);
  b.reset();
  EXPECT_EQ(Module::GetInstance(), nullptr);
}

TEST(Module, BaseNameIsOrvAndTheExtraQuestionsAnswerTrue) {
  Module m("QV", "libquonvop4j");
  EXPECT_EQ(m.GetBaseName(), "orv");
  EXPECT_TRUE(m.CanUnload());
  EXPECT_TRUE(m.CanShare());
}

TEST(Module, StartCreatesTheServicesAndStopDestroysThemInReverse) {
  orv::AutoInit<FirstService> first;
  orv::AutoInit<SecondService> second;
  ASSERT_EQ(orv::AutoInitBase::RegisteredCount(), 2u);
  Module m("QV", "libquonvop4j");
  EXPECT_TRUE(m.Start());
  EXPECT_NE(firstPublished, nullptr);
  EXPECT_NE(secondPublished, nullptr);
  EXPECT_TRUE(m.Start());  // a second start creates nothing new
  EXPECT_TRUE(m.Stop());
  EXPECT_EQ(firstPublished, nullptr);
  EXPECT_EQ(secondPublished, nullptr);
  EXPECT_FALSE(orv::AutoInitBase::RegistryExists());
  EXPECT_EQ(events, (std::vector<std::string>{"start first", "start second", "stop second",
                                              "stop first"}));
  EXPECT_TRUE(m.Stop());  // nothing left to stop
}

// A module whose start fails, to see the starter stop it at once.
class FailingModule : public Module {
 public:
  FailingModule() : Module("FM", "failing") {}
  bool Start() override {
    events.push_back("module start");
    return false;
  }
  bool Stop() override {
    events.push_back("module stop");
    return Module::Stop();
  }
};

TEST(ModuleStarter, StartsTheModuleAndStopsTheInstanceAtTheEnd) {
  orv::AutoInit<FirstService> first;
  Module m("QV", "libquonvop4j");
  {
    orv::ModuleStarter starter(m);
    EXPECT_NE(firstPublished, nullptr);
  }
  EXPECT_EQ(firstPublished, nullptr);
  EXPECT_EQ(events, (std::vector<std::string>{"start first", "stop first"}));
}

TEST(ModuleStarter, AFailedStartIsFollowedByStop) {
  orv::AutoInit<FirstService> first;
  FailingModule m;
  orv::ModuleStarter starter(m);
  EXPECT_EQ(events, (std::vector<std::string>{"start first", "module start", "module stop",
                                              "stop first"}));
  EXPECT_EQ(firstPublished, nullptr);
}

}  // namespace
