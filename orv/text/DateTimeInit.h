// orv/text/DateTimeInit.h - the date-and-time service: primes the host's
// offsets at start-up and publishes the local time of start-up.
#ifndef ORV_TEXT_DATETIMEINIT_H
#define ORV_TEXT_DATETIMEINIT_H

#include <memory>

#include "orv/Export.h"
#include "orv/text/DateTime.h"

namespace orv {

/// The date-and-time service (see AutoInit.h; its place in the start order
/// is its registrar's in jni/LoadOrder.cpp): computes compactBase and the standard offset at start-up, with the time
/// zone the process started with, and holds the local time of start-up
/// while it runs.
///
/// Threads: made, started, stopped and destroyed inside the loader's
/// serialised start-up and tear-down; StartUpTime may be read on any number
/// of threads between the two.
class ORV_API DateTimeInit {
 public:
  DateTimeInit();
  /// Withdraws its start-up time if that is still the one published.
  ~DateTimeInit();
  DateTimeInit(const DateTimeInit&) = delete;
  DateTimeInit& operator=(const DateTimeInit&) = delete;

  /// Not set, with the host's offset at a time that is not set: the
  /// standard offset.
  DateTime held;

 private:
  friend void AutoInitStarted(DateTimeInit* instance);
  friend void AutoInitStopping(DateTimeInit* instance);

  std::unique_ptr<DateTime> startUpTime_;  // what StartUpTime publishes, or null
};

/// Initialiser hooks. Started takes the local time (SetNow) and publishes
/// it; if that throws, nothing changes. Stopping withdraws and frees it.
ORV_API void AutoInitStarted(DateTimeInit* instance);
ORV_API void AutoInitStopping(DateTimeInit* instance);

/// The local time of start-up published by the service, or null.
ORV_API const DateTime* StartUpTime() noexcept;

}  // namespace orv

// The service's name outside namespace orv, so that code registering it
// writes orv::AutoInit<DateTimeInit>.
using DateTimeInit = orv::DateTimeInit;

#endif
