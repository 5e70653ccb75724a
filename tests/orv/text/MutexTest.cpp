// Tests of the lazily created mutex.
#include "orv/text/Mutex.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(Mutex, LockCreatesAMissingHolderAndLocks) {
  orv::Mutex mutex;
  mutex.Destroy();
  ASSERT_FALSE(mutex.HasHolder());
  {
    orv::MutexLock lock(mutex);
    ASSERT_TRUE(mutex.HasHolder());
    ASSERT_NE(mutex.Native(), nullptr);
    EXPECT_EQ(pthread_mutex_trylock(mutex.Native()), EBUSY);
  }
  EXPECT_EQ(pthread_mutex_trylock(mutex.Native()), 0);
  pthread_mutex_unlock(mutex.Native());
}

TEST(Mutex, CreateOnAMutexGivesAFreshUnlockedOne) {
  orv::Mutex mutex;
  { orv::MutexLock lock(mutex); }
  mutex.Create();
  ASSERT_NE(mutex.Native(), nullptr);
  EXPECT_EQ(pthread_mutex_trylock(mutex.Native()), 0);
  pthread_mutex_unlock(mutex.Native());
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

}  // namespace
