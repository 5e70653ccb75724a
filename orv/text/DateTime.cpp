// orv/text/DateTime.cpp - a date and time: an instant with an offset and its
// calendar fields.
#include "orv/text/DateTime.h"

#include <sys/time.h>

#include <limits>
#include <string>

#include "orv/error/Exception.h"
#include "orv/text/internal/CompactBase.h"

namespace orv {
namespace {

constexpr std::int64_t TicksPerSecond = 10000000;
constexpr std::int64_t TicksPerMinute = 600000000;
// 1601-01-01 to 1970-01-01: 369 years, 89 of them leap years, in seconds.
static_assert(epochTicks == (369LL * 365 + 89) * 86400 * TicksPerSecond, "epoch ticks");

constexpr std::uint32_t kMessageInvalidDateTime = 1313;

// The message that every invalid or missing date and time reports.
[[noreturn]] void ThrowInvalid(const std::string& what) {
  throw Exception(kMessageInvalidDateTime, StringBase<char>(what));
}

[[noreturn]] void ThrowNotSet() { ThrowInvalid("not set"); }

// The texts that invalid dates and times show: plain decimal numbers,
// "2009-2-29" and "24:0:0.0".
std::string DateText(long year, long month, long day) {
  return std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day);
}

std::string TimeText(long hour, long minute, long second, long millisecond) {
  return std::to_string(hour) + ":" + std::to_string(minute) + ":" + std::to_string(second) +
         "." + std::to_string(millisecond);
}

// localtime_r as localtime behaves: the time zone is read again first, so a
// TZ changed at run time is seen.
bool LocalTime(std::time_t t, std::tm* record) {
  tzset();
  return localtime_r(&t, record) != nullptr;
}

// Whether a 64-bit second count can be handed to the C library.
bool FitsTimeT(std::int64_t seconds) {
  return seconds >= static_cast<std::int64_t>(std::numeric_limits<std::time_t>::min()) &&
         seconds <= static_cast<std::int64_t>(std::numeric_limits<std::time_t>::max());
}

// Unix seconds of a tick count, truncated toward zero (ticks normally count
// whole seconds); false when the count lies too far out to be shifted.
bool UnixSeconds(std::int64_t tickCount, std::int64_t* seconds) {
  std::int64_t sinceEpoch = 0;
  if (__builtin_sub_overflow(tickCount, epochTicks, &sinceEpoch)) return false;
  *seconds = sinceEpoch / TicksPerSecond;
  return true;
}

// A calendar record with every member zero and the given fields; the
// daylight-saving flag is left to the caller.
std::tm MakeRecord(unsigned year, unsigned month, unsigned day, unsigned hour,
                   unsigned minute, unsigned second) {
  std::tm record{};
  record.tm_year = static_cast<int>(year) - 1900;
  record.tm_mon = static_cast<int>(month) - 1;
  record.tm_mday = static_cast<int>(day);
  record.tm_hour = static_cast<int>(hour);
  record.tm_min = static_cast<int>(minute);
  record.tm_sec = static_cast<int>(second);
  return record;
}

bool IsLeapYear(long year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days of a month of the proleptic Gregorian calendar; 0 for a month that
// does not exist.
int DaysInMonth(long year, long month) {
  static const int DaysOfMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month == 2 && IsLeapYear(year)) return 29;
  return DaysOfMonth[month - 1];
}

// The host's offset in minutes that the C library reports for the instant t,
// or the standard offset when t cannot be broken down.
std::int32_t OffsetAt(std::int64_t seconds) {
  if (!FitsTimeT(seconds)) return StandardOffset();
  std::tm record{};
  if (!LocalTime(static_cast<std::time_t>(seconds), &record)) return StandardOffset();
  return static_cast<std::int32_t>(record.tm_gmtoff / 60);
}

}  // namespace

std::int32_t StandardOffset() {
  // Computed once, on first use (the service's creation at start-up, at the
  // latest): the offset in force at 2000-01-01 00:00 UTC, which is the winter
  // offset of the northern hemisphere. The cell is trivial and never
  // released.
  static const std::int32_t standardOffset = [] {
    std::tm record{};
    const auto base = static_cast<std::time_t>(internal::CompactBase());
    if (!LocalTime(base, &record)) return std::int32_t{0};
    return static_cast<std::int32_t>(record.tm_gmtoff / 60);
  }();
  return standardOffset;
}

DateTime::DateTime() noexcept
    : ticksValid(0),
      fieldsValid(0),
      offsetMinutes(0),
      ticks(0),
      year(0),
      month(0),
      dayOfWeek(0),
      day(0),
      hour(0),
      minute(0),
      second(0),
      millisecond(0) {}

DateTime& DateTime::SetNow() {
  timeval now{};
  gettimeofday(&now, nullptr);
  const std::time_t seconds = now.tv_sec;
  std::tm record{};
  if (gmtime_r(&seconds, &record) == nullptr) ThrowNotSet();
  Set(record.tm_year + 1900, record.tm_mon + 1, record.tm_mday, record.tm_hour,
      record.tm_min, record.tm_sec, static_cast<int>(now.tv_usec / 1000), 0);
  // Ticks stay the UTC instant; the fields become local wall-clock time.
  SetOffset(LocalOffsetMarker);
  return *this;
}

void DateTime::Set(int yearValue, int monthValue, int dayValue, int hourValue,
                   int minuteValue, int secondValue, int millisecondValue,
                   std::int32_t offset) {
  *this = DateTime();
  offsetMinutes = offset;
  const std::uint16_t y = static_cast<std::uint16_t>(yearValue);
  const std::uint16_t mo = static_cast<std::uint16_t>(monthValue);
  const std::uint16_t d = static_cast<std::uint16_t>(dayValue);
  const std::uint16_t h = static_cast<std::uint16_t>(hourValue);
  const std::uint16_t mi = static_cast<std::uint16_t>(minuteValue);
  const std::uint16_t s = static_cast<std::uint16_t>(secondValue);
  const std::uint16_t ms = static_cast<std::uint16_t>(millisecondValue);
  CheckDate(y, mo, d);
  CheckTime(h, mi, s, ms);
  year = y;
  month = mo;
  day = d;
  hour = h;
  minute = mi;
  second = s;
  millisecond = ms;
  dayOfWeek = 0;
  fieldsValid = 1;
  ticksValid = 0;
  // The fields are host local time; LocalOffset reads them as such while the
  // offset is still the marker.
  if (offsetMinutes == LocalOffsetMarker) offsetMinutes = LocalOffset();
}

void DateTime::SetOffset(std::int32_t offset) {
  if (offset == LocalOffsetMarker) offset = LocalOffset();
  if (offset == offsetMinutes) return;
  UpdateTicks();
  offsetMinutes = offset;
  if (fieldsValid) {
    // The ticks count whole seconds, so the millisecond is carried by hand.
    const std::uint16_t kept = millisecond;
    fieldsValid = 0;
    if (kept != 0) {
      UpdateFields();
      millisecond = kept;
    }
  }
}

std::int32_t DateTime::LocalOffset() const {
  if (fieldsValid) {
    if (offsetMinutes == LocalOffsetMarker) {
      // Wall-clock fields of the host: let the C library decide whether
      // daylight-saving time applies to them.
      std::tm record = MakeRecord(year, month, day, hour, minute, second);
      record.tm_isdst = -1;
      const std::time_t t = mktime(&record);
      std::tm local{};
      if (!LocalTime(t, &local)) return StandardOffset();
      return static_cast<std::int32_t>(local.tm_gmtoff / 60);
    }
    // Fields with a known offset name one instant; ask for that instant
    // rather than reading the fields as host local time.
    std::tm record = MakeRecord(year, month, day, hour, minute, second);
    const std::int64_t utc = static_cast<std::int64_t>(timegm(&record)) -
                             static_cast<std::int64_t>(offsetMinutes) * 60;
    return OffsetAt(utc);
  }
  if (!ticksValid) return StandardOffset();
  std::int64_t seconds = 0;
  if (!UnixSeconds(ticks, &seconds)) return StandardOffset();
  return OffsetAt(seconds);
}

void DateTime::UpdateFields() {
  if (fieldsValid) return;
  if (!ticksValid) ThrowNotSet();
  std::int64_t local = ticks;
  if (offsetMinutes != 0 &&
      __builtin_add_overflow(ticks, static_cast<std::int64_t>(offsetMinutes) * TicksPerMinute,
                             &local)) {
    ThrowInvalid(std::to_string(ticks));
  }
  std::int64_t seconds = 0;
  if (!UnixSeconds(local, &seconds) || !FitsTimeT(seconds)) ThrowInvalid(std::to_string(ticks));
  std::tm record{};
  const std::time_t t = static_cast<std::time_t>(seconds);
  // Already shifted to the wall-clock time: broken down as UTC.
  if (gmtime_r(&t, &record) == nullptr ||
      record.tm_year + 1900 < 0 || record.tm_year + 1900 > 0xFFFF) {
    ThrowInvalid(std::to_string(ticks));
  }
  year = static_cast<std::uint16_t>(record.tm_year + 1900);
  month = static_cast<std::uint16_t>(record.tm_mon + 1);
  dayOfWeek = static_cast<std::uint16_t>(record.tm_wday);
  day = static_cast<std::uint16_t>(record.tm_mday);
  hour = static_cast<std::uint16_t>(record.tm_hour);
  minute = static_cast<std::uint16_t>(record.tm_min);
  second = static_cast<std::uint16_t>(record.tm_sec);
  millisecond = 0;
  fieldsValid = 1;
}

void DateTime::UpdateTicks() {
  if (ticksValid) return;
  if (!fieldsValid) ThrowNotSet();
  std::tm record = MakeRecord(year, month, day, hour, minute, second);
  // The fields are read as UTC, then moved by the offset. A 16-bit year
  // reaches past the last tick (30828-09-14 02:48:05 UTC): such a value has
  // no instant, and says so with its own text.
  const std::int64_t seconds = static_cast<std::int64_t>(timegm(&record));
  std::int64_t value = 0;
  if (__builtin_mul_overflow(seconds, TicksPerSecond, &value) ||
      __builtin_add_overflow(value, epochTicks, &value) ||
      __builtin_sub_overflow(value, static_cast<std::int64_t>(offsetMinutes) * TicksPerMinute,
                             &value)) {
    ThrowInvalid(DateText(year, month, day) + " " + TimeText(hour, minute, second, millisecond));
  }
  ticks = value;
  ticksValid = 1;
}

void DateTime::CheckDate(int yearValue, int monthValue, int dayValue) {
  // Pure calendar arithmetic: the host's time zone must not decide whether a
  // date exists (a zone whose clocks change at midnight would move it).
  const int days = DaysInMonth(yearValue, monthValue);
  if (days == 0 || dayValue < 1 || dayValue > days) {
    ThrowInvalid(DateText(yearValue, monthValue, dayValue));
  }
}

void DateTime::CheckTime(int hourValue, int minuteValue, int secondValue,
                         int millisecondValue) {
  if (static_cast<unsigned>(hourValue) > 23 || minuteValue < 0 || minuteValue >= 60 ||
      secondValue < 0 || secondValue >= 60 || millisecondValue < 0 ||
      millisecondValue > 999) {
    ThrowInvalid(TimeText(hourValue, minuteValue, secondValue, millisecondValue));
  }
}

}  // namespace orv
