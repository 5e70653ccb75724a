// orv/text/CompactTime.h - the compact form of file times: seconds since
// 2000-01-01 00:00:00 UTC in 32 bits.
#ifndef ORV_TEXT_COMPACTTIME_H
#define ORV_TEXT_COMPACTTIME_H

#include <cstdint>
#include <ctime>

#include "orv/Export.h"

namespace orv {

/// Unix time of 2000-01-01 00:00:00 UTC, the origin of CompactTime: what
/// timegm gives for that date, computed once and then kept. The library
/// computes it among its start-up work (the date-and-time service, so with
/// the time zone the process started with); where no start-up runs (a
/// program on the static archive), the first conversion below does.
/// 946684800 until then, and in every zone without leap seconds; 946684822
/// under the leap-second zones (TZ=right/UTC).
///
/// Threads: read it freely once start-up has run, or once a conversion has
/// run on the reading thread (or before a thread it synchronised with). In
/// a program without start-up, in a leap-second zone, a read on one thread
/// while the first conversion runs on another is a data race.
ORV_API extern const std::uint32_t& compactBase;

/// Seconds since compactBase; Saturated and NotSet are the two values above
/// the range. A plain value: copies are independent, and the conversions
/// are safe on any number of threads.
class ORV_API CompactTime {
 public:
  /// An instant before compactBase, or too far after it.
  static constexpr std::uint32_t Saturated = 0xFFFFFFFEu;
  /// No time; converts to compactBase itself.
  static constexpr std::uint32_t NotSet = 0xFFFFFFFFu;

  /// Not set.
  constexpr CompactTime() noexcept : value(NotSet) {}
  /// A compact time is its 32-bit count: it converts to and from one freely.
  constexpr CompactTime(std::uint32_t seconds) noexcept : value(seconds) {}  // NOLINT
  constexpr operator std::uint32_t() const noexcept { return value; }  // NOLINT

  /// time(NULL) - compactBase, cut to 32 bits (no saturation).
  static CompactTime Now();
  /// compactBase for NotSet, else compactBase + value.
  static std::time_t ToTime(CompactTime time) noexcept;
  /// Seconds since compactBase; Saturated before 2000 or too far after.
  static CompactTime FromTime(std::time_t time) noexcept;

  std::uint32_t value;
};

}  // namespace orv

#endif
