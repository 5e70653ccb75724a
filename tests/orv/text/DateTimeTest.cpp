// DateTimeTest.cpp - ticks, calendar fields, offsets and compact times.
#include "orv/text/DateTime.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "orv/error/Exception.h"
#include "orv/text/DateTimeInit.h"
#include "tests/support/ExpectException.h"
#include "tests/support/RunInChild.h"

namespace {

using orv::test::ThrowsException;

constexpr std::int64_t kTicksPerSecond = 10000000;

orv::DateTime Junk() {
  orv::DateTime value;
  value.ticksValid = 7;
  value.fieldsValid = 7;
  value.offsetMinutes = 12345;
  value.ticks = 0x5A5A5A5A5A5ALL;
  value.year = value.month = value.dayOfWeek = value.day = 0xA5A5;
  value.hour = value.minute = value.second = value.millisecond = 0xA5A5;
  return value;
}

// A value set to fields in UTC, with the ticks computed from them.
orv::DateTime WithTicks(int y, int mo, int d, int h, int mi, int s) {
  orv::DateTime value = Junk();
  value.Set(y, mo, d, h, mi, s, 0, 0);
  value.UpdateTicks();
  return value;
}

orv::DateTime FromUnix(std::int64_t seconds, std::int32_t offset) {
  orv::DateTime value = Junk();
  value.fieldsValid = 0;
  value.ticksValid = 1;
  value.offsetMinutes = offset;
  value.ticks = orv::epochTicks + seconds * kTicksPerSecond;
  return value;
}

// ---------------------------------------------------------------------------
// Checks that need a time zone run in a fresh process of this program with TZ
// set from the start, so that no cached offset of the parent leaks in. The
// parent re-executes itself with ORV_DATETIME_ZONE_CHECK naming the check;
// this initialiser of the test program runs it before main and exits with the
// number of failed expectations.

int failures = 0;

void Expect(bool ok, const char* what, long got) {
  if (ok) return;
  ++failures;
  std::fprintf(stderr, "zone check failed: %s (got %ld)\n", what, got);
}

std::int32_t LocalAt(int y, int mo, int d, int h) {
  orv::DateTime value;
  value.Set(y, mo, d, h, 0, 0, 0, orv::LocalOffsetMarker);
  return value.offsetMinutes;
}

std::int32_t OffsetOfInstant(std::int64_t unixSeconds) {
  return FromUnix(unixSeconds, 0).LocalOffset();
}

void CheckBerlin() {
  Expect(orv::StandardOffset() == 60, "standard offset 60", orv::StandardOffset());
  Expect(LocalAt(2009, 1, 15, 12) == 60, "January 60", LocalAt(2009, 1, 15, 12));
  Expect(LocalAt(2009, 7, 15, 12) == 120, "July 120", LocalAt(2009, 7, 15, 12));
  Expect(OffsetOfInstant(1254913200) == 120, "2009-10-07 ticks 120",
         OffsetOfInstant(1254913200));
  // Before 2000: the instant itself decides, not a date in 2136.
  Expect(OffsetOfInstant(646833600) == 120, "1990-07-01 ticks 120",
         OffsetOfInstant(646833600));
  // Fields with a known offset name an instant: 2009-03-29 01:30 UTC lies just
  // after the switch to summer time at 01:00 UTC.
  orv::DateTime utc;
  utc.Set(2009, 3, 29, 1, 30, 0, 0, 0);
  Expect(utc.LocalOffset() == 120, "01:30 UTC on switch day 120", utc.LocalOffset());
  orv::DateTimeInit service;
  Expect(service.held.offsetMinutes == 60, "held offset", service.held.offsetMinutes);
  Expect(!service.held.ticksValid && !service.held.fieldsValid, "held not set", 0);
  orv::AutoInitStarted(&service);
  const orv::DateTime* start = orv::StartUpTime();
  Expect(start != nullptr, "start-up time published", 0);
  if (start != nullptr) {
    Expect(start->offsetMinutes == start->LocalOffset(), "start-up time local",
           start->offsetMinutes);
    Expect(start->ticksValid == 1, "start-up ticks", start->ticksValid);
  }
  orv::AutoInitStopping(&service);
  Expect(orv::StartUpTime() == nullptr, "start-up time withdrawn", 0);
}

void CheckDublin() {
  // The tz database keeps Irish winter time as the "daylight" time, with a
  // negative saving; the offsets must still be those of the clock.
  Expect(LocalAt(2020, 1, 15, 12) == 0, "January 0", LocalAt(2020, 1, 15, 12));
  Expect(LocalAt(2020, 7, 15, 12) == 60, "July 60", LocalAt(2020, 7, 15, 12));
  Expect(OffsetOfInstant(1579046400) == 0, "2020-01-15 ticks 0", OffsetOfInstant(1579046400));
  try {
    orv::DateTime midnight;
    midnight.Set(2020, 1, 15, 0, 0, 0, 0, orv::LocalOffsetMarker);
    Expect(midnight.day == 15 && midnight.offsetMinutes == 0, "midnight kept", midnight.day);
  } catch (const orv::Exception& e) {
    Expect(false, "2020-01-15 00:00 accepted", e.GetNumber());
  }
}

void CheckLordHowe() {
  // Summer time there is 30 minutes ahead, not 60.
  Expect(LocalAt(2020, 1, 15, 12) == 660, "January 660", LocalAt(2020, 1, 15, 12));
  Expect(LocalAt(2020, 7, 15, 12) == 630, "July 630", LocalAt(2020, 7, 15, 12));
}

void CheckUtc() {
  Expect(orv::compactBase == 946684800u, "compact base", orv::compactBase);
  Expect(orv::StandardOffset() == 0, "standard offset 0", orv::StandardOffset());
  Expect(LocalAt(2009, 7, 15, 12) == 0, "July 0", LocalAt(2009, 7, 15, 12));
  orv::DateTime now;
  now.SetNow();
  Expect(now.offsetMinutes == 0 && now.fieldsValid && now.year >= 2024, "SetNow in UTC",
         now.offsetMinutes);
  // A zone changed at run time is seen by the offset of an instant (2009-07-15
  // 12:00 UTC), as localtime would see it; the compact base stays.
  setenv("TZ", "Europe/Berlin", 1);
  Expect(OffsetOfInstant(1247659200) == 120, "instant after TZ changed 120",
         OffsetOfInstant(1247659200));
  Expect(orv::compactBase == 946684800u, "compact base kept", orv::compactBase);
}

void CheckLeapSeconds() {
  // The leap-second zones count the 22 leap seconds before 2000 too: the
  // origin of compact times is what timegm says, not the plain count. With
  // no start-up, the first conversion computes it.
  Expect(orv::CompactTime::FromTime(946684822).value == 0, "FromTime of the base", 0);
  Expect(orv::compactBase == 946684822u, "compact base", orv::compactBase);
  Expect(orv::CompactTime::ToTime(orv::CompactTime()) == 946684822, "ToTime of not set", 0);
  const orv::DateTime base = WithTicks(2000, 1, 1, 0, 0, 0);
  Expect(base.ticks == orv::epochTicks + 946684822LL * kTicksPerSecond, "ticks of 2000",
         static_cast<long>((base.ticks - orv::epochTicks) / kTicksPerSecond));
}

void CheckLeapSecondsAtStartUp() {
  // The service computes the origin at start-up, before any conversion.
  orv::DateTimeInit service;
  Expect(orv::compactBase == 946684822u, "compact base at start-up", orv::compactBase);
}

struct ZoneCheck {
  const char* name;
  const char* zone;
  void (*run)();
};

const ZoneCheck kZoneChecks[] = {
    {"berlin", "Europe/Berlin", CheckBerlin},
    {"dublin", "Europe/Dublin", CheckDublin},
    {"lordhowe", "Australia/Lord_Howe", CheckLordHowe},
    {"utc", "UTC", CheckUtc},
    {"leapseconds", "right/UTC", CheckLeapSeconds},
    {"leapsecondsstartup", "right/UTC", CheckLeapSecondsAtStartUp},
};

bool RunZoneCheckIfAsked() {
  const char* asked = std::getenv("ORV_DATETIME_ZONE_CHECK");
  if (asked == nullptr) return false;
  for (const ZoneCheck& check : kZoneChecks) {
    if (std::strcmp(check.name, asked) != 0) continue;
    try {
      check.run();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "zone check threw: %s\n", e.what());
      ++failures;
    }
    std::fflush(stderr);
    _exit(failures > 100 ? 100 : failures);
  }
  _exit(101);
}

[[maybe_unused]] const bool zoneCheckChild = RunZoneCheckIfAsked();

TEST(DateTimeZone, ChecksInFreshProcesses) {
  for (const ZoneCheck& check : kZoneChecks) {
    SCOPED_TRACE(check.zone);
    struct stat info {};
    const std::string file = std::string("/usr/share/zoneinfo/") + check.zone;
    if (stat(file.c_str(), &info) != 0) GTEST_SKIP() << "zone file missing: " << file;
    const int status = orv::test::RunInChild([&check] {
      setenv("TZ", check.zone, 1);
      setenv("ORV_DATETIME_ZONE_CHECK", check.name, 1);
      execl("/proc/self/exe", "DateTimeTest", "--gtest_list_tests", static_cast<char*>(nullptr));
      return 102;
    });
    ASSERT_NE(status, -1) << "the child did not exit";
    EXPECT_EQ(status, 0) << "failed expectations in " << check.name;
  }
}

// ---------------------------------------------------------------------------

TEST(DateTime, ConstantsAndEpoch) {
  EXPECT_EQ(orv::epochTicks, 116444736000000000LL);
  std::tm base{};
  base.tm_year = 100;
  base.tm_mday = 1;
  EXPECT_EQ(static_cast<std::int64_t>(orv::compactBase),
            static_cast<std::int64_t>(timegm(&base)));
  EXPECT_EQ(WithTicks(1970, 1, 1, 0, 0, 0).ticks, 116444736000000000LL);
}

struct SetCase {
  int y, mo, d, h, mi, s, ms;
  const char* error;  // null: accepted
};

TEST(DateTime, SetValidates) {
  const SetCase cases[] = {
      {2009, 2, 29, 0, 0, 0, 0, "2009-2-29"},
      {2009, 2, 30, 0, 0, 0, 0, "2009-2-30"},
      {2008, 2, 29, 0, 0, 0, 0, nullptr},
      {2000, 2, 29, 0, 0, 0, 0, nullptr},
      {1900, 2, 29, 0, 0, 0, 0, "1900-2-29"},
      {2009, 4, 31, 0, 0, 0, 0, "2009-4-31"},
      {2009, 12, 31, 23, 59, 59, 999, nullptr},
      {2009, 13, 1, 0, 0, 0, 0, "2009-13-1"},
      {2009, 0, 10, 0, 0, 0, 0, "2009-0-10"},
      {2009, 1, 0, 0, 0, 0, 0, "2009-1-0"},
      {2009, 1, 1, 24, 0, 0, 0, "24:0:0.0"},
      {2009, 1, 1, 0, 60, 0, 0, "0:60:0.0"},
      {2009, 1, 1, 0, 0, 60, 0, "0:0:60.0"},
      {2009, 1, 1, 0, 0, 0, 1000, "0:0:0.1000"},
      {2009, 1, 1, -1, 0, 0, 0, "65535:0:0.0"},
      {65536 + 2009, 2, 29, 0, 0, 0, 0, "2009-2-29"},
      {65536 + 2008, 2, 29, 0, 0, 0, 0, nullptr},
      {2009, 2, -65536 + 3, 1, 2, 3, 4, nullptr},
  };
  for (const SetCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.mo) + "-" + std::to_string(c.d) +
                 " " + std::to_string(c.h));
    orv::DateTime value = Junk();
    if (c.error == nullptr) {
      value.Set(c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms, 45);
      EXPECT_EQ(value.year, static_cast<std::uint16_t>(c.y));
      EXPECT_EQ(value.month, c.mo);
      EXPECT_EQ(value.day, static_cast<std::uint16_t>(c.d));
      EXPECT_EQ(value.hour, c.h);
      EXPECT_EQ(value.minute, c.mi);
      EXPECT_EQ(value.second, c.s);
      EXPECT_EQ(value.millisecond, c.ms);
      EXPECT_EQ(value.dayOfWeek, 0);
      EXPECT_EQ(value.fieldsValid, 1);
      EXPECT_EQ(value.ticksValid, 0);
      EXPECT_EQ(value.offsetMinutes, 45);
      continue;
    }
    EXPECT_TRUE(ThrowsException([&] { value.Set(c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms, 45); },
                                1313, c.error));
    EXPECT_EQ(value.fieldsValid, 0);
    EXPECT_EQ(value.ticksValid, 0);
    EXPECT_EQ(value.offsetMinutes, 45);
    EXPECT_EQ(value.year, 0);
    EXPECT_EQ(value.hour, 0);
    EXPECT_EQ(value.ticks, 0);
  }
}

TEST(DateTime, OffsetsMoveTheWallClockAndKeepTheMillisecond) {
  orv::DateTime value = Junk();
  value.Set(2009, 10, 7, 12, 0, 0, 250, 60);
  value.UpdateTicks();
  EXPECT_EQ(value.ticks, orv::epochTicks + 1254913200LL * kTicksPerSecond);  // 11:00 UTC
  value.SetOffset(0);
  EXPECT_EQ(value.offsetMinutes, 0);
  EXPECT_EQ(value.fieldsValid, 1);
  EXPECT_EQ(value.hour, 11);
  EXPECT_EQ(value.minute, 0);
  EXPECT_EQ(value.millisecond, 250);
  EXPECT_EQ(value.dayOfWeek, 3);  // a Wednesday, now derived from the ticks

  // A zero millisecond leaves the fields to be derived later.
  value.Set(2009, 10, 7, 0, 30, 0, 0, 0);
  value.SetOffset(-330);
  EXPECT_EQ(value.fieldsValid, 0);
  value.UpdateFields();
  EXPECT_EQ(value.day, 6);
  EXPECT_EQ(value.hour, 19);
  EXPECT_EQ(value.minute, 0);

  // The same offset changes nothing, not even on a value that is not set.
  orv::DateTime unset;
  unset.SetOffset(0);
  EXPECT_EQ(unset.ticksValid, 0);
}

TEST(DateTime, UpdateFieldsFromTicks) {
  struct {
    std::int64_t unixSeconds;
    std::int32_t offset;
    int y, mo, d, h, mi, s, dow;
  } const cases[] = {
      {0, 0, 1970, 1, 1, 0, 0, 0, 4},
      {0, -300, 1969, 12, 31, 19, 0, 0, 3},
      {946684799, 0, 1999, 12, 31, 23, 59, 59, 5},
      {1254913200, 120, 2009, 10, 7, 13, 0, 0, 3},
      {-11644473600LL, 0, 1601, 1, 1, 0, 0, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.unixSeconds);
    orv::DateTime value = FromUnix(c.unixSeconds, c.offset);
    value.UpdateFields();
    EXPECT_EQ(value.fieldsValid, 1);
    EXPECT_EQ(value.year, c.y);
    EXPECT_EQ(value.month, c.mo);
    EXPECT_EQ(value.day, c.d);
    EXPECT_EQ(value.hour, c.h);
    EXPECT_EQ(value.minute, c.mi);
    EXPECT_EQ(value.second, c.s);
    EXPECT_EQ(value.dayOfWeek, c.dow);
    EXPECT_EQ(value.millisecond, 0);
    // And back again.
    value.ticksValid = 0;
    value.ticks = 0;
    value.UpdateTicks();
    EXPECT_EQ(value.ticks, orv::epochTicks + c.unixSeconds * kTicksPerSecond);
  }
}

TEST(DateTime, NotSetThrows) {
  for (void (*operation)(orv::DateTime&) : {+[](orv::DateTime& v) { v.UpdateTicks(); },
                                            +[](orv::DateTime& v) { v.UpdateFields(); },
                                            +[](orv::DateTime& v) { v.SetOffset(30); }}) {
    orv::DateTime value;
    EXPECT_TRUE(ThrowsException([&] { operation(value); }, 1313, "not set"));
  }
  orv::DateTime unset;
  EXPECT_EQ(unset.LocalOffset(), orv::StandardOffset());
}

TEST(DateTime, FieldsBeyondTheLastTickThrowWithTheirText) {
  // The last whole second that ticks hold is 30828-09-14 02:48:05 UTC.
  EXPECT_EQ(WithTicks(30828, 9, 14, 2, 48, 5).ticks, 9223372036850000000LL);
  const struct {
    int y, mo, d, h, mi, s, ms;
    std::int32_t offset, newOffset;  // LocalOffsetMarker: UpdateTicks alone
    const char* text;
  } cases[] = {
      {30828, 9, 14, 2, 48, 6, 0, 0, orv::LocalOffsetMarker, "30828-9-14 2:48:6.0"},
      {30828, 9, 14, 2, 48, 5, 0, -60, orv::LocalOffsetMarker, "30828-9-14 2:48:5.0"},
      {65535, 12, 31, 23, 59, 59, 5, 0, 60, "65535-12-31 23:59:59.5"},
      {40000, 1, 1, 0, 0, 0, 0, 0, 60, "40000-1-1 0:0:0.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    orv::DateTime value = Junk();
    value.Set(c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms, c.offset);
    const auto convert = [&] {
      if (c.newOffset == orv::LocalOffsetMarker) {
        value.UpdateTicks();
      } else {
        value.SetOffset(c.newOffset);
      }
    };
    EXPECT_TRUE(ThrowsException(convert, 1313, c.text)) << "ticks " << value.ticks;
    EXPECT_EQ(value.ticksValid, 0);
    EXPECT_EQ(value.offsetMinutes, c.offset);
    EXPECT_EQ(value.year, c.y);
  }
}

TEST(DateTime, TicksOutOfRangeThrowInsteadOfWrapping) {
  orv::DateTime value = FromUnix(0, 0);
  value.ticks = INT64_MAX;
  value.offsetMinutes = 60;
  EXPECT_THROW(value.UpdateFields(), orv::Exception);
  EXPECT_EQ(value.fieldsValid, 0);
  EXPECT_EQ(value.LocalOffset(), orv::StandardOffset());
}

TEST(CompactTime, Conversions) {
  const std::time_t base = static_cast<std::time_t>(orv::compactBase);
  struct {
    std::int64_t time;
    std::uint32_t compact;
  } const fromCases[] = {
      {base - 1, 0xFFFFFFFEu},
      {base, 0},
      {base + 1, 1},
      {base + 0xFFFFFFFDLL, 0xFFFFFFFDu},
      {base + 0xFFFFFFFELL, 0xFFFFFFFEu},
      {base + 0xFFFFFFFFLL, 0xFFFFFFFEu},
      {0, 0xFFFFFFFEu},
      {-1, 0xFFFFFFFEu},
  };
  for (const auto& c : fromCases) {
    SCOPED_TRACE(c.time);
    EXPECT_EQ(orv::CompactTime::FromTime(static_cast<std::time_t>(c.time)).value, c.compact);
  }
  EXPECT_EQ(orv::CompactTime::ToTime(orv::CompactTime(0xFFFFFFFFu)), base);
  EXPECT_EQ(orv::CompactTime::ToTime(orv::CompactTime()), base);
  EXPECT_EQ(orv::CompactTime::ToTime(orv::CompactTime(0)), base);
  EXPECT_EQ(static_cast<std::int64_t>(orv::CompactTime::ToTime(orv::CompactTime(0xFFFFFFFEu))),
            static_cast<std::int64_t>(base) + 0xFFFFFFFELL);
  // A compact time reads and writes as its plain 32-bit count.
  EXPECT_EQ(orv::CompactTime::FromTime(orv::compactBase - 1), 0xFFFFFFFEu);
  EXPECT_EQ(orv::CompactTime::ToTime(0xFFFFFFFFu), static_cast<std::time_t>(orv::compactBase));
  const std::int64_t now = static_cast<std::int64_t>(time(nullptr)) - base;
  const std::int64_t compactNow = orv::CompactTime::Now().value;
  EXPECT_LE(now, compactNow);
  EXPECT_LE(compactNow, now + 2);
}

}  // namespace
