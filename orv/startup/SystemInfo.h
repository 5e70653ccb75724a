// orv/startup/SystemInfo.h - the process-wide record of host facts and its handle.
//
// SystemInfoImpl is a process-wide service (automatic initialiser 2, see
// AutoInit.h). The record gathers nothing from the operating system: it is
// created empty and zero. Code reaches it through a short-lived SystemInfo
// handle, which creates the record on first use when no initialiser has
// published one.
#ifndef ORV_STARTUP_SYSTEMINFO_H
#define ORV_STARTUP_SYSTEMINFO_H

#include <atomic>
#include <cstdint>
#include <vector>

#include "orv/Export.h"
#include "orv/startup/IpAddress.h"
#include "orv/text/StringBase.h"

namespace orv {

/// The record. Nothing in the library fills or reads its fields beyond the
/// first-access reset below; they are kept for code built on the library.
class ORV_API SystemInfoImpl {
 public:
  /// Everything empty and zero; the address is cleared (family 0).
  /// Throws std::bad_alloc.
  SystemInfoImpl();
  SystemInfoImpl(const SystemInfoImpl&) = delete;
  SystemInfoImpl& operator=(const SystemInfoImpl&) = delete;

  IpAddress hostAddress;
  std::vector<IpAddress> hostAddresses;
  std::int64_t physicalMemory;
  std::int64_t availableMemory;
  std::int32_t processorCount;
  StringBase<char> hostName;
  StringBase<char> domainName;
  std::int32_t pageSize;
  // Session group: set to zero again by the first access through a handle.
  std::int32_t sessionWidth;
  std::int32_t sessionHeight;
  std::int16_t sessionDepth;
  std::uint8_t sessionMode;
  std::uint8_t isVirtualMachine;
  std::uint8_t isRemoteSession;
  /// Set by the first access through a handle, once the session group is
  /// reset (with release order: who reads it true sees the reset done).
  std::atomic<bool> firstAccessDone;
  std::uint8_t reserved;
};

/// Initialiser hooks. Started publishes `instance` as the record (a record
/// that a handle created on first use before is freed); Stopping withdraws
/// the published record before the initialiser deletes it.
ORV_API void AutoInitStarted(SystemInfoImpl* instance);
ORV_API void AutoInitStopping(SystemInfoImpl* instance);

/// Accessor handle. It does not own the record.
///
/// Any number of threads may construct handles at once, their first ones
/// included: the record is created once and its first-access reset done
/// once, before any handle refers to it. A record created on first use is
/// replaced, and freed, when the initialiser starts, so no handle may be
/// alive across module start.
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

namespace internal {
/// The published record, or null; creates nothing (for tests).
ORV_API SystemInfoImpl* PublishedSystemInfo() noexcept;
}  // namespace internal

}  // namespace orv

#endif
