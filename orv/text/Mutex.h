// orv/text/Mutex.h - a lazily created, non-recursive mutex and its scoped lock.
#ifndef ORV_TEXT_MUTEX_H
#define ORV_TEXT_MUTEX_H

#include <memory>

#include "orv/Export.h"

namespace orv {

/// Handle to a POSIX mutex that lives on the heap. The mutex has default
/// attributes, so locking it twice on one thread blocks. A mutex that cannot
/// be made is thrown, never skipped: std::bad_alloc when memory (or the
/// system's resources) run out, std::system_error for any other failure of
/// the system; the handle then has a holder without a mutex, and the next
/// MutexLock tries again.
///
/// Threads: once the handle holds its mutex, any number of threads may lock
/// and unlock it through MutexLock at once; that is what it is for. Create
/// and Destroy are not synchronised: neither may run while another thread
/// locks, unlocks or creates through the same handle, and a mutex must not
/// be locked when it is reset or destroyed.
class ORV_API Mutex {
 public:
  /// Creates the holder and the mutex at once.
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  /// Creates the mutex, or resets it: an existing mutex is destroyed and
  /// replaced by a fresh, unlocked one. Throws std::bad_alloc when the holder
  /// or the mutex storage cannot be allocated or the system lacks the
  /// resources for a mutex, std::system_error when pthread_mutex_init fails
  /// otherwise; the handle then has no mutex.
  void Create();
  /// Destroys the mutex and the holder; the handle then has neither.
  void Destroy() noexcept;

  bool HasHolder() const noexcept { return holder_ != nullptr; }

  /// The platform's mutex, only declared here so that this header needs no
  /// platform header: a record whose first and only member is the
  /// pthread_mutex_t, so reinterpret_cast<pthread_mutex_t*>(Native()) is
  /// that mutex.
  struct NativeType;
  /// The platform mutex, or null when there is none.
  NativeType* Native() const noexcept;

 private:
  // Holds the platform mutex (defined in Mutex.cpp).
  struct Holder;
  std::unique_ptr<Holder> holder_;
};

/// Locks a Mutex for the lifetime of the object, creating it first when the
/// handle has no mutex yet. That creation is not itself guarded: a mutex
/// that threads share must be created before they use it (the Mutex
/// constructor does so). Throws as Mutex::Create when the mutex cannot be
/// made, and std::system_error when pthread_mutex_lock fails; nothing is
/// locked then. A lock belongs to the thread that made it.
class ORV_API MutexLock {
 public:
  explicit MutexLock(Mutex& mutex);
  ~MutexLock();
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex* mutex_;
};

}  // namespace orv

#endif
