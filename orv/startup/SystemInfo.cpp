// orv/startup/SystemInfo.cpp - the process-wide record of host facts.
#include "orv/startup/SystemInfo.h"

#include <memory>

namespace orv {
namespace {

// The published record, or null. A plain pointer: constant-initialised, no
// work at load time.
SystemInfoImpl* publishedRecord = nullptr;

// Owns a record that a handle created on first use, i.e. one that no
// initialiser holds: before module start, or after module stop. Being a
// function-local static, it frees such a record when the library unloads,
// and withdraws it first so that nothing can reach the freed record.
struct FirstUseRecord {
  std::unique_ptr<SystemInfoImpl> record;
  ~FirstUseRecord() {
    if (publishedRecord == record.get()) publishedRecord = nullptr;
  }
};

FirstUseRecord& firstUseRecord() {
  static FirstUseRecord holder;
  return holder;
}

}  // namespace

SystemInfoImpl::SystemInfoImpl()
    : physicalMemory(0),
      availableMemory(0),
      processorCount(0),
      pageSize(0),
      sessionWidth(0),
      sessionHeight(0),
      sessionDepth(0),
      sessionMode(0),
      isVirtualMachine(0),
      isRemoteSession(0),
      firstAccessDone(false),
      reserved(0) {
  hostAddress.Clear();
}

void AutoInitStarted(SystemInfoImpl* instance) {
  publishedRecord = instance;
  // A record made on first use before the initialiser ran would otherwise
  // stay allocated but unreachable; it is no longer published, so free it.
  FirstUseRecord& holder = firstUseRecord();
  if (holder.record.get() != instance) holder.record.reset();
}

void AutoInitStopping(SystemInfoImpl* instance) {
  (void)instance;
  publishedRecord = nullptr;
}

SystemInfo::SystemInfo() : impl_(publishedRecord) {
  if (impl_ == nullptr) {
    FirstUseRecord& holder = firstUseRecord();
    holder.record.reset(new SystemInfoImpl());
    impl_ = holder.record.get();
    publishedRecord = impl_;
  }
  if (!impl_->firstAccessDone) {
    impl_->sessionWidth = 0;
    impl_->sessionHeight = 0;
    impl_->sessionDepth = 0;
    impl_->sessionMode = 0;
    impl_->firstAccessDone = true;
  }
}

namespace internal {

SystemInfoImpl* PublishedSystemInfo() noexcept { return publishedRecord; }

}  // namespace internal
}  // namespace orv
