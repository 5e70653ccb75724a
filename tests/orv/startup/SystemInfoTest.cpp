// SystemInfoTest.cpp - the system information record, its handle and IpAddress.
#include "orv/startup/SystemInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "orv/startup/AutoInit.h"
#include "orv/startup/IpAddress.h"
#include "orv/startup/internal/AutoInitRegistry.h"
#include "orv/startup/internal/PublishedSystemInfo.h"
#include "tests/support/RunTogether.h"

namespace {

std::vector<unsigned char> Bytes(const orv::IpAddress& address) {
  return std::vector<unsigned char>(address.GetBytes(),
                                    address.GetBytes() + orv::IpAddress::ByteCount);
}

std::vector<unsigned char> Padded(std::vector<unsigned char> head) {
  head.resize(orv::IpAddress::ByteCount, 0);
  return head;
}

// The session group, which the record's first access resets: width, height,
// depth and mode.
std::vector<int> SessionGroup(const orv::SystemInfoImpl& record) {
  return {record.sessionWidth, record.sessionHeight, record.sessionDepth, record.sessionMode};
}

void SetSessionGroup(orv::SystemInfoImpl& record, std::int32_t width, std::int32_t height,
                     std::int16_t depth, std::uint8_t mode) {
  record.sessionWidth = width;
  record.sessionHeight = height;
  record.sessionDepth = depth;
  record.sessionMode = mode;
}

const std::vector<int> ZeroedSessionGroup(4, 0);

TEST(SystemInfo, FirstHandleCreatesEmptyRecordAndResetsOnce) {
  ASSERT_EQ(orv::internal::PublishedSystemInfo(), nullptr);
  orv::SystemInfoImpl* record;
  {
    orv::SystemInfo info;
    EXPECT_TRUE(info.LineBreaksAreBlank());
    record = &info.Get();
    EXPECT_EQ(orv::internal::PublishedSystemInfo(), record);
    EXPECT_TRUE(record->firstAccessDone);
    EXPECT_EQ(record->hostAddress.GetFamily(), 0);
    EXPECT_EQ(Bytes(record->hostAddress), Padded({}));
    EXPECT_TRUE(record->hostAddresses.empty());
    EXPECT_TRUE(record->hostName.empty());
    EXPECT_EQ(record->physicalMemory, 0);
    // Junk in the session group must survive later handles.
    SetSessionGroup(*record, 11, 12, 13, 14);
  }
  orv::SystemInfo again;
  EXPECT_EQ(&again.Get(), record);
  EXPECT_EQ(SessionGroup(*record), (std::vector<int>{11, 12, 13, 14}));
}

// The service as the library runs it: a registrar puts an initialiser into
// the registry, and module start and stop walk the registry (the same walks
// as StartUp::InitAll and ExitAll).
class SystemInfoService : public ::testing::Test {
 protected:
  void TearDown() override { orv::internal::ExitRegistered(); }
  void Start() { orv::internal::InitRegistered(); }
  void Stop() { orv::internal::ExitRegistered(); }

  orv::AutoInit<orv::SystemInfoImpl> registrar;
};

TEST_F(SystemInfoService, FirstAccessResetsSessionGroupOfInitialisedRecord) {
  EXPECT_EQ(registrar.GetInstance(), nullptr);  // the registrar holds nothing
  Start();
  orv::SystemInfoImpl* held = orv::internal::PublishedSystemInfo();
  ASSERT_NE(held, nullptr);
  EXPECT_FALSE(held->firstAccessDone);
  SetSessionGroup(*held, 1, 2, 3, 4);
  held->pageSize = 5;
  {
    orv::SystemInfo info;
    EXPECT_EQ(&info.Get(), held);
  }
  EXPECT_TRUE(held->firstAccessDone);
  EXPECT_EQ(SessionGroup(*held), ZeroedSessionGroup);
  EXPECT_EQ(held->pageSize, 5);  // outside the group

  Start();  // holding already: nothing changes
  EXPECT_EQ(orv::internal::PublishedSystemInfo(), held);
}

TEST_F(SystemInfoService, InitReplacesFirstUseRecordAndExitWithdrawsIt) {
  orv::SystemInfoImpl* firstUse = &orv::SystemInfo().Get();
  firstUse->sessionWidth = 99;
  Start();
  // The first-use record is freed here; the leak check of the sanitizer
  // build would report it otherwise.
  orv::SystemInfoImpl* held = orv::internal::PublishedSystemInfo();
  ASSERT_NE(held, nullptr);
  orv::SystemInfo info;
  EXPECT_EQ(&info.Get(), held);
  EXPECT_EQ(held->sessionWidth, 0);

  Stop();
  EXPECT_EQ(orv::internal::PublishedSystemInfo(), nullptr);
  EXPECT_FALSE(orv::AutoInitBase::RegistryExists());

  // After module stop a handle makes a new, empty record; the library frees
  // it at unload.
  orv::SystemInfo after;
  EXPECT_TRUE(after.LineBreaksAreBlank());
  EXPECT_EQ(orv::internal::PublishedSystemInfo(), &after.Get());
  EXPECT_TRUE(after.Get().firstAccessDone);
  EXPECT_EQ(after.Get().hostAddress.GetFamily(), 0);
  EXPECT_EQ(after.Get().sessionWidth, 0);
}

// What each of several threads saw through the first handle it took.
struct FirstSight {
  orv::SystemInfoImpl* record = nullptr;
  bool resetDone = false;
};

// Eight threads take their first handle at the same moment, as eight scanners
// meeting their first line break do.
std::vector<FirstSight> FirstHandlesAtOnce() {
  constexpr int kThreads = 8;
  std::vector<FirstSight> sights(kThreads);
  const std::vector<std::string> failures = orv::test::RunTogether(kThreads, [&sights](int t) {
    orv::SystemInfo info;
    const orv::SystemInfoImpl& record = info.Get();
    sights[t].record = &info.Get();
    sights[t].resetDone = record.firstAccessDone && SessionGroup(record) == ZeroedSessionGroup;
    return std::string();
  });
  EXPECT_EQ(failures, std::vector<std::string>(kThreads));
  return sights;
}

// Every thread must get the one published record with its reset done, and
// ThreadSanitizer must see no race: before module start (the record is made
// on first use), on the initialiser's record, and after module stop.
TEST_F(SystemInfoService, FirstAccessOnManyThreadsAtOnce) {
  for (const char* phase : {"before start", "started", "after stop"}) {
    SCOPED_TRACE(phase);
    if (std::strcmp(phase, "started") == 0) {
      Start();
      orv::SystemInfoImpl* held = orv::internal::PublishedSystemInfo();
      ASSERT_NE(held, nullptr);
      SetSessionGroup(*held, 1, 2, 3, 4);
    } else if (std::strcmp(phase, "after stop") == 0) {
      Stop();
    }
    const std::vector<FirstSight> sights = FirstHandlesAtOnce();
    orv::SystemInfoImpl* published = orv::internal::PublishedSystemInfo();
    ASSERT_NE(published, nullptr);
    for (const FirstSight& sight : sights) {
      EXPECT_EQ(sight.record, published);
      EXPECT_TRUE(sight.resetDone);
    }
  }
}

TEST(IpAddress, FreshAddressIsIPv4LoopbackAndClearRemovesIt) {
  orv::IpAddress address;
  EXPECT_EQ(address.GetFamily(), 4);
  EXPECT_EQ(Bytes(address), Padded({0x7F, 0, 0, 1}));
  EXPECT_TRUE(address.GetText().empty());
  address.Clear();
  EXPECT_EQ(address.GetFamily(), 0);
  EXPECT_EQ(Bytes(address), Padded({}));
}

TEST(IpAddress, SetBytes) {
  std::vector<unsigned char> loopback6(16, 0);
  loopback6[15] = 1;
  std::vector<unsigned char> other6(16, 0);
  other6[15] = 2;
  std::vector<unsigned char> full6;
  for (unsigned char i = 0; i < 16; ++i) full6.push_back(static_cast<unsigned char>(0xF0 + i));
  struct Case {
    std::vector<unsigned char> input;
    bool result;
    int family;
    std::vector<unsigned char> bytes;
  };
  const Case cases[] = {
      {{0xC0, 0xA8, 0x01, 0x02}, true, 4, Padded({0xC0, 0xA8, 0x01, 0x02})},
      {loopback6, true, 4, Padded({0x7F, 0, 0, 1})},
      {std::vector<unsigned char>(16, 0), true, 8, Padded({})},
      {other6, true, 8, other6},
      {full6, true, 8, full6},
  };
  for (const Case& c : cases) {
    orv::IpAddress address;
    // Start from an IPv6 value so that a missed zeroing shows.
    std::vector<unsigned char> junk(16, 0xEE);
    ASSERT_TRUE(address.SetBytes(junk.data(), junk.size()));
    EXPECT_EQ(address.SetBytes(c.input.data(), c.input.size()), c.result);
    EXPECT_EQ(address.GetFamily(), c.family);
    EXPECT_EQ(Bytes(address), c.bytes);
  }
}

TEST(IpAddress, SetBytesOfOtherLengthKeepsAddress) {
  orv::IpAddress address;
  const unsigned char v4[] = {10, 1, 2, 3};
  ASSERT_TRUE(address.SetBytes(v4, 4));
  const unsigned char six[] = {1, 2, 3, 4, 5, 6};
  EXPECT_FALSE(address.SetBytes(six, sizeof six));
  EXPECT_FALSE(address.SetBytes(six, 0));
  EXPECT_FALSE(address.SetBytes(nullptr, 4));
  EXPECT_EQ(address.GetFamily(), 4);
  EXPECT_EQ(Bytes(address), Padded({10, 1, 2, 3}));
}

TEST(IpAddress, CopiesAreDeep) {
  orv::IpAddress original;
  const unsigned char v4[] = {192, 0, 2, 7};
  ASSERT_TRUE(original.SetBytes(v4, 4));
  orv::IpAddress copy(original);
  orv::IpAddress assigned;
  assigned = original;
  original.Clear();
  EXPECT_EQ(copy.GetFamily(), 4);
  EXPECT_EQ(Bytes(copy), Padded({192, 0, 2, 7}));
  EXPECT_EQ(Bytes(assigned), Padded({192, 0, 2, 7}));
  EXPECT_NE(copy.GetBytes(), original.GetBytes());
  orv::IpAddress& alias = assigned;
  assigned = alias;  // self-assignment keeps the value
  EXPECT_EQ(assigned.GetFamily(), 4);
  std::vector<orv::IpAddress> list(3, copy);
  EXPECT_EQ(Bytes(list[2]), Padded({192, 0, 2, 7}));
}

}  // namespace
