// orv/startup/internal/PublishedSystemInfo.h - the process-wide record of
// host facts as published, for its handle and for tests.
#ifndef ORV_STARTUP_INTERNAL_PUBLISHEDSYSTEMINFO_H
#define ORV_STARTUP_INTERNAL_PUBLISHEDSYSTEMINFO_H

#include "orv/startup/SystemInfoImpl.h"

namespace orv {
namespace internal {

/// The published record, created and published first if there is none, with
/// its first-access reset done: what a SystemInfo handle refers to. Safe on
/// any number of threads at once. Throws std::bad_alloc when the record
/// cannot be created; nothing is published then.
SystemInfoImpl& AccessSystemInfo();

/// The published record, or null; creates nothing.
SystemInfoImpl* PublishedSystemInfo() noexcept;

}  // namespace internal
}  // namespace orv

#endif
