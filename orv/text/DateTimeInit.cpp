// orv/text/DateTimeInit.cpp - the date-and-time service: primes the host's
// offsets at start-up and publishes the local time of start-up.
#include "orv/text/DateTimeInit.h"

#include "orv/text/internal/CompactBase.h"

namespace orv {
namespace {

// The start-up time of the running service, or null. A trivial pointer, so
// it needs no construction at load time; the service owns what it points to.
const DateTime* startUpTime = nullptr;

// Nothing can reach `value` through StartUpTime once this returns.
void Withdraw(const DateTime* value) noexcept {
  if (startUpTime == value) startUpTime = nullptr;
}

}  // namespace

DateTimeInit::DateTimeInit() {
  // The origin of compact times comes from the zone the process started
  // with, at start-up.
  internal::CompactBase();
  // A not-set value asks for the standard offset, which primes it.
  held.offsetMinutes = LocalOffsetMarker;
  held.offsetMinutes = held.LocalOffset();
}

DateTimeInit::~DateTimeInit() { Withdraw(startUpTime_.get()); }

void AutoInitStarted(DateTimeInit* instance) {
  auto now = std::make_unique<DateTime>();
  now->SetNow();
  Withdraw(instance->startUpTime_.get());
  instance->startUpTime_ = std::move(now);
  startUpTime = instance->startUpTime_.get();
}

void AutoInitStopping(DateTimeInit* instance) {
  Withdraw(instance->startUpTime_.get());
  instance->startUpTime_.reset();
}

const DateTime* StartUpTime() noexcept { return startUpTime; }

}  // namespace orv
