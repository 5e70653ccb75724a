// orv/startup/SystemInfo.h - the handle through which code reaches the
// process-wide record of host facts (SystemInfoImpl.h).
#ifndef ORV_STARTUP_SYSTEMINFO_H
#define ORV_STARTUP_SYSTEMINFO_H

#include "orv/Export.h"
#include "orv/startup/SystemInfoImpl.h"

namespace orv {

/// Accessor handle. It does not own the record.
///
/// Threads: any number of threads may construct handles at once, their
/// first ones included: the record is created once and its first-access
/// reset done once, before any handle refers to it. A record created on
/// first use is replaced, and freed, when the initialiser starts, so no
/// handle may be alive across module start (or stop).
class ORV_API SystemInfo {
 public:
  /// Obtains the published record, creating and publishing an empty one if
  /// there is none, and on the record's first access zeroes its session
  /// group and sets firstAccessDone. Throws std::bad_alloc when the record
  /// cannot be created; nothing is published then.
  SystemInfo();
  /// Forgets the record; the record stays.
  ~SystemInfo() = default;

  /// Whether carriage return and line feed count as blank space: always true.
  bool LineBreaksAreBlank() const noexcept { return true; }

  /// The record this handle refers to (never null).
  SystemInfoImpl& Get() const noexcept { return *impl_; }

 private:
  SystemInfoImpl* impl_;
};

}  // namespace orv

#endif
