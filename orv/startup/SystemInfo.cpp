// orv/startup/SystemInfo.cpp - the handle through which code reaches the
// process-wide record of host facts.
#include "orv/startup/SystemInfo.h"

#include "orv/startup/internal/PublishedSystemInfo.h"

namespace orv {

SystemInfo::SystemInfo() : impl_(&internal::AccessSystemInfo()) {}

}  // namespace orv
