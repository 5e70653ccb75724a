// Tests of the automatic-initialiser frame, in a program that carries none of
// the library's own registrations.
#include "orv/startup/AutoInit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orv/startup/StartUp.h"

namespace {

std::vector<std::string> events;

template <int N>
struct Service {
  Service() { events.push_back("create " + std::to_string(N)); }
  ~Service() { events.push_back("destroy " + std::to_string(N)); }
};
template <int N>
void AutoInitStarted(Service<N>*) {
  events.push_back("started " + std::to_string(N));
}
template <int N>
void AutoInitStopping(Service<N>*) {
  events.push_back("stopping " + std::to_string(N));
}

class AutoInitTest : public ::testing::Test {
 protected:
  void SetUp() override { events.clear(); }
  // Leaves no registry behind for the next test in this process.
  void TearDown() override { orv::StartUp::ExitAll(); }
};

TEST_F(AutoInitTest, WithoutRegistrationsBothWalksSucceedAndNoRegistryAppears) {
  ASSERT_FALSE(orv::AutoInitBase::RegistryExists());
  EXPECT_TRUE(orv::StartUp::InitAll());
  EXPECT_TRUE(orv::StartUp::ExitAll());
  EXPECT_FALSE(orv::AutoInitBase::RegistryExists());
  EXPECT_TRUE(events.empty());
}

TEST_F(AutoInitTest, RegistrarHoldsNothingAndInitAllTwiceCreatesOnce) {
  orv::AutoInit<Service<1>> registrar;
  EXPECT_EQ(registrar.GetInstance(), nullptr);
  EXPECT_EQ(orv::AutoInitBase::RegisteredCount(), 1u);
  EXPECT_TRUE(events.empty());  // registration creates nothing

  orv::StartUp::InitAll();
  orv::StartUp::InitAll();
  EXPECT_EQ(events, (std::vector<std::string>{"create 1", "started 1"}));
  EXPECT_EQ(registrar.GetInstance(), nullptr);
}

TEST_F(AutoInitTest, ExitAllDestroysInReverseOrderAndFreesTheRegistry) {
  orv::AutoInit<Service<1>> first;
  orv::AutoInit<Service<2>> second;
  orv::AutoInit<Service<3>> third;
  orv::StartUp::InitAll();
  events.clear();

  EXPECT_TRUE(orv::StartUp::ExitAll());
  EXPECT_EQ(events, (std::vector<std::string>{"stopping 3", "destroy 3", "stopping 2",
                                              "destroy 2", "stopping 1", "destroy 1"}));
  EXPECT_FALSE(orv::AutoInitBase::RegistryExists());

  events.clear();
  orv::StartUp::InitAll();  // the registry is gone: nothing to create
  EXPECT_TRUE(events.empty());
}

TEST_F(AutoInitTest, ExitBeforeInitDestroysNothing) {
  orv::AutoInit<Service<1>> registrar;
  orv::StartUp::ExitAll();
  EXPECT_TRUE(events.empty());
}

TEST_F(AutoInitTest, RegisterAfterExitAllStartsANewRegistry) {
  { orv::AutoInit<Service<1>> registrar; }
  orv::StartUp::ExitAll();
  orv::AutoInit<Service<2>> later;
  EXPECT_TRUE(orv::AutoInitBase::RegistryExists());
  EXPECT_EQ(orv::AutoInitBase::RegisteredCount(), 1u);
  orv::StartUp::InitAll();
  EXPECT_EQ(events, (std::vector<std::string>{"create 2", "started 2"}));
}

// A service that publishes nothing needs no hooks of its own.
int plainServices = 0;
struct PlainService {
  PlainService() { ++plainServices; }
  ~PlainService() { --plainServices; }
};

TEST_F(AutoInitTest, ServiceWithoutHooksIsCreatedAndDestroyed) {
  orv::AutoInit<PlainService> registrar;
  orv::StartUp::InitAll();
  EXPECT_EQ(plainServices, 1);
  orv::StartUp::ExitAll();
  EXPECT_EQ(plainServices, 0);
}

}  // namespace
