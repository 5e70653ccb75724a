// orv/text/CompactTime.cpp - the compact form of file times: seconds since
// 2000-01-01 00:00:00 UTC in 32 bits.
#include "orv/text/CompactTime.h"

#include <cstdint>
#include <ctime>

#include "orv/text/internal/CompactBase.h"

namespace orv {
namespace {

// 1970-01-01 to 2000-01-01 without leap seconds: 30 years, 7 of them leap
// years.
constexpr std::uint32_t PlainCompactBase = (30u * 365 + 7) * 86400u;
static_assert(PlainCompactBase == 946684800u, "compact base");

// The value behind compactBase: the plain count from load on (constant
// initialisation, so it is readable before any static object runs), and
// what timegm says once that is known.
std::uint32_t computedCompactBase = PlainCompactBase;

}  // namespace

const std::uint32_t& compactBase = computedCompactBase;

namespace internal {

std::uint32_t CompactBase() noexcept {
  // timegm follows the leap seconds of the host's zone, so the origin is
  // asked of it, once (thread-safe static initialisation), rather than
  // assumed.
  static const std::uint32_t base = [] {
    std::tm record{};
    record.tm_year = 100;
    record.tm_mday = 1;
    const std::int64_t seconds = static_cast<std::int64_t>(timegm(&record));
    // timegm does not fail for this date; should it, the plain count stands in.
    if (seconds < 0 || seconds > static_cast<std::int64_t>(UINT32_MAX)) return PlainCompactBase;
    const auto computed = static_cast<std::uint32_t>(seconds);
    // Stored only where it differs (the leap-second zones): elsewhere a
    // thread that reads compactBase meanwhile meets no write at all.
    if (computed != computedCompactBase) computedCompactBase = computed;
    return computed;
  }();
  return base;
}

}  // namespace internal

CompactTime CompactTime::Now() {
  const std::int64_t now = static_cast<std::int64_t>(time(nullptr));
  return CompactTime(static_cast<std::uint32_t>(now - internal::CompactBase()));
}

std::time_t CompactTime::ToTime(CompactTime time) noexcept {
  const std::int64_t base = internal::CompactBase();
  if (time.value == NotSet) return static_cast<std::time_t>(base);
  return static_cast<std::time_t>(base + time.value);
}

CompactTime CompactTime::FromTime(std::time_t time) noexcept {
  // Unsigned difference: an instant before the base wraps to a huge value
  // and saturates like one too far after it.
  const std::uint64_t difference =
      static_cast<std::uint64_t>(static_cast<std::int64_t>(time)) - internal::CompactBase();
  return CompactTime(difference <= Saturated ? static_cast<std::uint32_t>(difference)
                                             : Saturated);
}

}  // namespace orv
