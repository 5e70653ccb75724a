// orv/text/Mutex.cpp - a lazily created, non-recursive mutex and its scoped lock.
#include "orv/text/Mutex.h"

#include <pthread.h>

#include <cerrno>
#include <cstdlib>
#include <new>
#include <system_error>

namespace orv {

struct Mutex::NativeType {
  pthread_mutex_t mutex;
};

struct Mutex::Holder {
  // The C library's mutex: storage from malloc, released with free after
  // pthread_mutex_destroy; null when none could be had.
  NativeType* mutex = nullptr;
};

namespace {

// A mutex that cannot be made or locked is thrown, never skipped: the code it
// guards would otherwise run unguarded on every thread. Lack of memory or of
// the system's resources is the standard allocation failure.
[[noreturn]] void ThrowMutexError(int error, const char* what) {
  if (error == ENOMEM || error == EAGAIN) throw std::bad_alloc();
  throw std::system_error(error, std::generic_category(), what);
}

}  // namespace

Mutex::Mutex() { Create(); }

Mutex::~Mutex() { Destroy(); }

void Mutex::Create() {
  if (holder_ != nullptr && holder_->mutex != nullptr) {
    pthread_mutex_destroy(&holder_->mutex->mutex);
    std::free(holder_->mutex);
    holder_->mutex = nullptr;
  }
  if (holder_ == nullptr) holder_ = std::make_unique<Holder>();
  auto* storage = static_cast<NativeType*>(std::malloc(sizeof(NativeType)));
  if (storage == nullptr) throw std::bad_alloc();
  const int error = pthread_mutex_init(&storage->mutex, nullptr);
  if (error != 0) {
    std::free(storage);
    ThrowMutexError(error, "pthread_mutex_init");
  }
  holder_->mutex = storage;
}

void Mutex::Destroy() noexcept {
  if (holder_ == nullptr) return;
  if (holder_->mutex != nullptr) {
    pthread_mutex_destroy(&holder_->mutex->mutex);
    std::free(holder_->mutex);
    holder_->mutex = nullptr;
  }
  holder_.reset();
}

Mutex::NativeType* Mutex::Native() const noexcept {
  return holder_ != nullptr ? holder_->mutex : nullptr;
}

MutexLock::MutexLock(Mutex& mutex) : mutex_(&mutex) {
  // A handle whose mutex could not be made earlier tries again here.
  if (mutex.Native() == nullptr) mutex.Create();
  const int error = pthread_mutex_lock(&mutex.Native()->mutex);
  if (error != 0) ThrowMutexError(error, "pthread_mutex_lock");
}

MutexLock::~MutexLock() { pthread_mutex_unlock(&mutex_->Native()->mutex); }

}  // namespace orv
