// orv/startup/SystemInfoImpl.cpp - the process-wide record of host facts,
// and where it is published.
#include "orv/startup/SystemInfoImpl.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "orv/startup/internal/PublishedSystemInfo.h"

namespace orv {
namespace {

// The published record, or null. Constant-initialised, no work at load time.
// Handles read it on any thread; it changes at module start and stop and
// when a handle creates the record on first use (under firstAccessGuard).
std::atomic<SystemInfoImpl*> publishedRecord{nullptr};

// Serialises creation on first use and the first-access reset, so that many
// threads taking their first handle at once (scanners meeting their first
// line break) make one record and reset it once. Constant-initialised.
std::mutex firstAccessGuard;

// Owns a record that a handle created on first use, i.e. one that no
// initialiser holds: before module start, or after module stop. Being a
// function-local static, it frees such a record when the library unloads,
// and withdraws it first so that nothing can reach the freed record.
struct FirstUseRecord {
  std::unique_ptr<SystemInfoImpl> record;
  ~FirstUseRecord() {
    SystemInfoImpl* own = record.get();
    publishedRecord.compare_exchange_strong(own, nullptr);
  }
};

FirstUseRecord& FirstUseHolder() {
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
  std::lock_guard<std::mutex> lock(firstAccessGuard);
  publishedRecord.store(instance);
  // A record made on first use before the initialiser ran would otherwise
  // stay allocated but unreachable; it is no longer published, so free it.
  FirstUseRecord& holder = FirstUseHolder();
  if (holder.record.get() != instance) holder.record.reset();
}

void AutoInitStopping(SystemInfoImpl* instance) {
  (void)instance;
  std::lock_guard<std::mutex> lock(firstAccessGuard);
  publishedRecord.store(nullptr);
}

namespace internal {

SystemInfoImpl& AccessSystemInfo() {
  SystemInfoImpl* record = publishedRecord.load(std::memory_order_acquire);
  // Once the reset is done, the flag says so (stored with release order
  // after the reset), and a handle needs no lock.
  if (record != nullptr && record->firstAccessDone.load(std::memory_order_acquire)) {
    return *record;
  }

  std::lock_guard<std::mutex> lock(firstAccessGuard);
  record = publishedRecord.load(std::memory_order_relaxed);
  if (record == nullptr) {
    FirstUseRecord& holder = FirstUseHolder();
    holder.record = std::make_unique<SystemInfoImpl>();
    record = holder.record.get();
    publishedRecord.store(record, std::memory_order_release);
  }
  if (!record->firstAccessDone.load(std::memory_order_relaxed)) {
    record->sessionWidth = 0;
    record->sessionHeight = 0;
    record->sessionDepth = 0;
    record->sessionMode = 0;
    record->firstAccessDone.store(true, std::memory_order_release);
  }
  return *record;
}

SystemInfoImpl* PublishedSystemInfo() noexcept { return publishedRecord.load(); }

}  // namespace internal
}  // namespace orv
