// orv/text/DateTime.h - dates, times and compact file times.
//
// DateTime holds an instant as 100-nanosecond ticks since 1601-01-01 UTC with
// an offset in minutes, and caches the calendar fields of that instant in the
// offset's wall-clock time. Either side may be the one that was set; the
// other is derived on demand. CompactTime is a 32-bit count of seconds since
// 2000-01-01 00:00:00 UTC, used for file times.
#ifndef ORV_TEXT_DATETIME_H
#define ORV_TEXT_DATETIME_H

#include <cstdint>
#include <ctime>

#include "orv/Export.h"

namespace orv {

/// Offset marker: the host's local offset, still to be worked out.
constexpr std::int32_t kLocalOffset = -999;

/// Ticks of the Unix epoch, 1970-01-01 00:00:00 UTC:
/// 1,000,000,000 x 116,444,736.
inline constexpr std::int64_t epochTicks = 1000000000LL * 116444736LL;
/// 2000-01-01 00:00:00 UTC counted without leap seconds, for code that needs
/// the origin of CompactTime as a compile-time constant. The conversions use
/// CompactBase() instead, which the C library computes for the host's zone
/// and which differs under the leap-second zones (946684822 with
/// TZ=right/UTC).
inline constexpr std::uint32_t compactBase = 946684800u;

/// epochTicks, as a function.
ORV_API std::int64_t EpochTicks() noexcept;
/// Unix time of 2000-01-01 00:00:00 UTC, the origin of CompactTime: timegm of
/// that date, computed once and kept (by the date-and-time service at
/// start-up, so with the time zone the process started with; else on first
/// use).
ORV_API std::uint32_t CompactBase() noexcept;
/// The host's standard (winter) offset in minutes, computed on first use.
ORV_API std::int32_t StandardOffset();

class ORV_API DateTime {
 public:
  /// Not set; offset 0.
  DateTime() noexcept;

  /// The current local date and time with milliseconds.
  DateTime& SetNow();
  /// Validates and stores calendar fields (each cut to its low 16 bits).
  /// Throws Exception 1313 for an invalid date ("2009-2-29") or time
  /// ("24:0:0.0"), leaving the value not set with the requested offset.
  /// An offset of kLocalOffset takes the fields as host local time.
  void Set(int year, int month, int day, int hour, int minute, int second,
           int millisecond, std::int32_t offset);
  /// Moves the value to another offset (kLocalOffset: local), keeping the
  /// instant and the millisecond. Throws 1313 "not set" on a value not set.
  void SetOffset(std::int32_t offset);
  /// The host's offset in minutes that applies at this value's time; the
  /// standard offset for a value that is not set. A time zone changed at run
  /// time (TZ) is seen, as localtime sees it.
  std::int32_t LocalOffset() const;
  /// Derives the fields from the ticks unless they are valid; throws 1313
  /// "not set" when neither side is.
  void UpdateFields();
  /// Derives the ticks from the fields unless they are valid; throws 1313
  /// "not set" when neither side is, and 1313 with the fields' text
  /// ("65535-12-31 23:59:59.5") when the instant lies beyond the tick range
  /// (after 30828-09-14 02:48:05 UTC).
  void UpdateTicks();

  /// Throws 1313 "y-m-d" unless the calendar date exists.
  static void CheckDate(int year, int month, int day);
  /// Throws 1313 "h:m:s.ms" unless 0-23, 0-59, 0-59 and 0-999.
  static void CheckTime(int hour, int minute, int second, int millisecond);

  std::uint8_t ticksValid;
  std::uint8_t fieldsValid;
  std::int32_t offsetMinutes;
  std::int64_t ticks;
  std::uint16_t year;
  std::uint16_t month;
  std::uint16_t dayOfWeek;
  std::uint16_t day;
  std::uint16_t hour;
  std::uint16_t minute;
  std::uint16_t second;
  std::uint16_t millisecond;
};

/// Seconds since 2000-01-01 00:00:00 UTC; 0xFFFFFFFE saturated,
/// 0xFFFFFFFF not set.
class ORV_API CompactTime {
 public:
  static constexpr std::uint32_t kSaturated = 0xFFFFFFFEu;
  static constexpr std::uint32_t kNotSet = 0xFFFFFFFFu;

  /// Not set.
  constexpr CompactTime() noexcept : value(kNotSet) {}
  /// A compact time is its 32-bit count: it converts to and from one freely.
  constexpr CompactTime(std::uint32_t seconds) noexcept : value(seconds) {}  // NOLINT
  constexpr operator std::uint32_t() const noexcept { return value; }  // NOLINT

  /// time(NULL) - CompactBase(), cut to 32 bits (no saturation).
  static CompactTime Now();
  /// CompactBase() for kNotSet, else CompactBase() + value.
  static std::time_t ToTime(CompactTime time) noexcept;
  /// Seconds since CompactBase(); kSaturated before 2000 or too far after.
  static CompactTime FromTime(std::time_t time) noexcept;

  std::uint32_t value;
};

/// The date-and-time service (automatic initialiser 3): primes the standard
/// offset at start-up and publishes the local time of start-up.
class ORV_API DateTimeInit {
 public:
  DateTimeInit();
  DateTimeInit(const DateTimeInit&) = delete;
  DateTimeInit& operator=(const DateTimeInit&) = delete;

  DateTime held;
};
ORV_API void AutoInitStarted(DateTimeInit* instance);
ORV_API void AutoInitStopping(DateTimeInit* instance);
/// The local time of start-up published by the service, or null.
ORV_API const DateTime* StartUpTime() noexcept;

}  // namespace orv

// The service is also known by its short name.
using DateTimeInit = orv::DateTimeInit;

#endif
