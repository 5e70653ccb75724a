// orv/text/Mutex.cpp - a lazily created, non-recursive mutex and its scoped lock.
#include "orv/text/Mutex.h"

#include <cstdlib>

namespace orv {

Mutex::Mutex() { Create(); }

Mutex::~Mutex() { Destroy(); }

void Mutex::Create() {
  if (holder_ != nullptr && holder_->mutex != nullptr) {
    pthread_mutex_destroy(holder_->mutex);
    std::free(holder_->mutex);
    holder_->mutex = nullptr;
  }
  if (holder_ == nullptr) holder_ = std::make_unique<Holder>();
  auto* storage = static_cast<pthread_mutex_t*>(std::malloc(sizeof(pthread_mutex_t)));
  if (storage == nullptr) return;  // no mutex: locking becomes a no-op
  if (pthread_mutex_init(storage, nullptr) != 0) {
    std::free(storage);
    return;
  }
  holder_->mutex = storage;
}

void Mutex::Destroy() noexcept {
  if (holder_ == nullptr) return;
  if (holder_->mutex != nullptr) {
    pthread_mutex_destroy(holder_->mutex);
    std::free(holder_->mutex);
    holder_->mutex = nullptr;
  }
  holder_.reset();
}

pthread_mutex_t* Mutex::Native() const noexcept {
  return holder_ != nullptr ? holder_->mutex : nullptr;
}

MutexLock::MutexLock(Mutex& mutex) : mutex_(&mutex) {
  if (!mutex.HasHolder()) mutex.Create();
  if (pthread_mutex_t* native = mutex.Native()) pthread_mutex_lock(native);
}

MutexLock::~MutexLock() {
  if (pthread_mutex_t* native = mutex_->Native()) pthread_mutex_unlock(native);
}

}  // namespace orv
