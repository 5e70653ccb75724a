// Tests of the lazily created mutex.
#include "orv/text/Mutex.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <new>
#include <system_error>
#include <thread>

// The program is linked with --wrap=malloc and --wrap=pthread_mutex_init, so
// the calls of the statically linked library come here first: a test can
// make the mutex's storage or its initialisation fail.
namespace {
std::atomic<bool> failMalloc{false};
std::atomic<int> failInit{0};  // the error pthread_mutex_init returns; 0: none
}  // namespace

extern "C" void* __real_malloc(std::size_t size);
extern "C" int __real_pthread_mutex_init(pthread_mutex_t* mutex,
                                         const pthread_mutexattr_t* attributes);

extern "C" void* __wrap_malloc(std::size_t size) {
  return failMalloc.load() ? nullptr : __real_malloc(size);
}

extern "C" int __wrap_pthread_mutex_init(pthread_mutex_t* mutex,
                                         const pthread_mutexattr_t* attributes) {
  const int error = failInit.load();
  return error != 0 ? error : __real_pthread_mutex_init(mutex, attributes);
}

namespace {

// The POSIX mutex behind the handle, as the header says to reach it.
pthread_mutex_t* Native(const orv::Mutex& mutex) {
  return reinterpret_cast<pthread_mutex_t*>(mutex.Native());
}

TEST(Mutex, LockCreatesAMissingHolderAndLocks) {
  orv::Mutex mutex;
  mutex.Destroy();
  ASSERT_FALSE(mutex.HasHolder());
  {
    orv::MutexLock lock(mutex);
    ASSERT_TRUE(mutex.HasHolder());
    ASSERT_NE(mutex.Native(), nullptr);
    EXPECT_EQ(pthread_mutex_trylock(Native(mutex)), EBUSY);
  }
  EXPECT_EQ(pthread_mutex_trylock(Native(mutex)), 0);
  pthread_mutex_unlock(Native(mutex));
}

TEST(Mutex, CreateOnAMutexGivesAFreshUnlockedOne) {
  orv::Mutex mutex;
  { orv::MutexLock lock(mutex); }
  mutex.Create();
  ASSERT_NE(mutex.Native(), nullptr);
  EXPECT_EQ(pthread_mutex_trylock(Native(mutex)), 0);
  pthread_mutex_unlock(Native(mutex));
}

TEST(Mutex, SerialisesThreads) {
  orv::Mutex mutex;
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      orv::MutexLock lock(mutex);
      ++counter;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 40000);
}

TEST(Mutex, AMutexThatCannotBeMadeThrowsAndLocksLater) {
  // Each way of failing, first for the constructor, then for a lock on a
  // handle without mutex; the next lock, with the failure gone, locks.
  const struct {
    bool malloc;
    int init;
    bool badAlloc;  // else std::system_error
  } failures[] = {{true, 0, true}, {false, ENOMEM, true}, {false, EAGAIN, true},
                  {false, EINVAL, false}};
  for (const auto& f : failures) {
    SCOPED_TRACE(testing::Message() << "malloc " << f.malloc << ", init " << f.init);
    const auto failing = [&](auto&& call) {
      failMalloc = f.malloc;
      failInit = f.init;
      bool threwExpected = false;
      try {
        call();
      } catch (const std::bad_alloc&) {
        threwExpected = f.badAlloc;
      } catch (const std::system_error& e) {
        threwExpected = !f.badAlloc && e.code().value() == f.init;
      }
      failMalloc = false;
      failInit = 0;
      return threwExpected;
    };
    EXPECT_TRUE(failing([] { orv::Mutex mutex; }));

    orv::Mutex mutex;
    mutex.Destroy();
    EXPECT_TRUE(failing([&] { orv::MutexLock lock(mutex); }));
    EXPECT_EQ(mutex.Native(), nullptr);
    orv::MutexLock lock(mutex);
    ASSERT_NE(mutex.Native(), nullptr);
    EXPECT_EQ(pthread_mutex_trylock(Native(mutex)), EBUSY);
  }
}

}  // namespace
