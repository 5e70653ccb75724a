// orv/startup/SystemInfoImpl.h - the process-wide record of host facts.
//
// SystemInfoImpl is a process-wide service (see AutoInit.h; its place in the
// start order is its registrar's in jni/LoadOrder.cpp). The record gathers nothing from the operating system: it is
// created empty and zero. Code reaches it through a short-lived SystemInfo
// handle (SystemInfo.h), which creates the record on first use when no
// initialiser has published one.
#ifndef ORV_STARTUP_SYSTEMINFOIMPL_H
#define ORV_STARTUP_SYSTEMINFOIMPL_H

#include <atomic>
#include <cstdint>
#include <vector>

#include "orv/Export.h"
#include "orv/startup/IpAddress.h"
#include "orv/text/StringBase.h"

namespace orv {

/// The record. Nothing in the library fills or reads its fields beyond the
/// first-access reset below; they are kept for code built on the library.
///
/// Threads: the fields have no lock. Once the first-access reset is done
/// (which SystemInfo handles see to, on any number of threads), any number
/// of threads may read them; code that writes a field must keep every other
/// thread away from it meanwhile.
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
/// the published record before the initialiser deletes it. Both take the
/// lock that handles take on first use, so a handle made on another thread
/// meanwhile sees either record whole; no handle may be alive across either.
ORV_API void AutoInitStarted(SystemInfoImpl* instance);
ORV_API void AutoInitStopping(SystemInfoImpl* instance);

}  // namespace orv

#endif
