// orv/text/DateTime.h - a date and time: an instant with an offset and its
// calendar fields.
//
// DateTime holds an instant as 100-nanosecond ticks since 1601-01-01 UTC with
// an offset in minutes, and caches the calendar fields of that instant in the
// offset's wall-clock time. Either side may be the one that was set; the
// other is derived on demand. The compact 32-bit form of file times is
// CompactTime (CompactTime.h); the service that primes the host's offsets at
// start-up is DateTimeInit (DateTimeInit.h).
//
// Threads: a DateTime is a plain value; distinct values may be used on
// distinct threads at once, and one value may be read by several threads
// while none changes it (the operations that derive a side change it).
// StandardOffset is safe on any number of threads. A time zone that the
// process changes (setenv "TZ") while another thread converts is the C
// library's hazard, not this one's.
#ifndef ORV_TEXT_DATETIME_H
#define ORV_TEXT_DATETIME_H

#include <cstdint>
#include <ctime>

#include "orv/Export.h"
// File times come as CompactTime: code that includes this header for dates
// and times has that type too.
#include "orv/text/CompactTime.h"

namespace orv {

/// Offset marker: the host's local offset, still to be worked out.
constexpr std::int32_t LocalOffsetMarker = -999;

/// Ticks of the Unix epoch, 1970-01-01 00:00:00 UTC:
/// 1,000,000,000 x 116,444,736.
inline constexpr std::int64_t epochTicks = 1000000000LL * 116444736LL;

/// The host's standard (winter) offset in minutes: the offset in force at
/// 2000-01-01 00:00 UTC, computed once, on first use (by the date-and-time
/// service at start-up, at the latest).
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
  /// An offset of LocalOffsetMarker takes the fields as host local time.
  void Set(int year, int month, int day, int hour, int minute, int second,
           int millisecond, std::int32_t offset);
  /// Moves the value to another offset (LocalOffsetMarker: local), keeping the
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

}  // namespace orv

#endif
