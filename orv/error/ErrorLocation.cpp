// orv/error/ErrorLocation.cpp - per-thread error locations.
#include "orv/error/ErrorLocation.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "orv/error/internal/ErrorLocationTable.h"
#include "orv/text/Mutex.h"

namespace orv {
namespace {

struct Entry {
  StringBase<char> text;
  bool chained;
};
using Stack = std::vector<Entry>;
// Keyed by the thread's identity (with the GNU C library, the value of
// pthread_self, in its order); std::map keeps nodes stable, so a thread may
// keep a pointer to its own stack while other threads insert theirs.
using Table = std::map<std::thread::id, Stack>;

// The published table, or null. Changed only under TableMutex(). A plain
// atomic pointer rather than an owner: it is read without the lock, and it
// must stay trivially destructible, so that nothing of it runs when the
// library is unloaded. Ownership passes through std::unique_ptr on the way
// in and out (CurrentStack, ReplaceTable).
std::atomic<Table*> publishedTable{nullptr};
// Bumped whenever a table is created or destroyed, so that a thread's cached
// pointer to its stack in an earlier table is never used again.
std::atomic<std::uint64_t> tableGeneration{1};

// Trivially destructible on purpose: thread_local objects with destructors
// would pin the library in memory and make dlclose a no-op.
thread_local Stack* cachedStack = nullptr;
thread_local std::uint64_t cachedGeneration = 0;

Mutex& TableMutex() {
  // The process-wide mutex of this service, created on first use, which is
  // module start at the latest; it is therefore destroyed after the module
  // has been stopped and the table discarded.
  static Mutex mutex;
  return mutex;
}

Stack& CurrentStack() {
  const std::uint64_t generation = tableGeneration.load(std::memory_order_acquire);
  if (cachedStack != nullptr && cachedGeneration == generation) return *cachedStack;
  MutexLock lock(TableMutex());
  Table* table = publishedTable.load(std::memory_order_relaxed);
  if (table == nullptr) {
    table = std::make_unique<Table>().release();  // owned by the published pointer
    publishedTable.store(table, std::memory_order_relaxed);
    tableGeneration.fetch_add(1, std::memory_order_acq_rel);
  }
  Stack& stack = (*table)[std::this_thread::get_id()];
  cachedStack = &stack;
  cachedGeneration = tableGeneration.load(std::memory_order_acquire);
  return stack;
}

// Publishes `fresh` (or no table) and destroys the table it replaces, with
// every stack in it, outside the lock.
void ReplaceTable(std::unique_ptr<Table> fresh) {
  std::unique_ptr<Table> old;
  {
    MutexLock lock(TableMutex());
    old.reset(publishedTable.exchange(fresh.release(), std::memory_order_acq_rel));
    tableGeneration.fetch_add(1, std::memory_order_acq_rel);
  }
}

}  // namespace

void AutoInitStarted(ErrorLocationInit*) { ReplaceTable(std::make_unique<Table>()); }

void AutoInitStopping(ErrorLocationInit*) { ReplaceTable(nullptr); }

ErrorLocationScope::ErrorLocationScope(const StringBase<char>& text, bool chained)
    : active_(false), pushed_(0) {
  CurrentStack().push_back(Entry{text, chained});
  active_ = true;
  pushed_ = 1;
}

ErrorLocationScope::~ErrorLocationScope() {
  if (!active_) return;
  active_ = false;
  Stack& stack = CurrentStack();
  for (std::size_t i = 0; i < pushed_ && !stack.empty(); ++i) stack.pop_back();
}

StringBase<char> CurrentErrorLocation() {
  const Stack& stack = CurrentStack();
  if (stack.empty()) return StringBase<char>();
  auto entry = stack.rbegin();
  StringBase<char> result(entry->text);
  bool chained = entry->chained;
  while (chained && ++entry != stack.rend()) {
    StringBase<char> outer(entry->text);
    outer += ", ";
    outer += result;
    result.swap(outer);
    chained = entry->chained;
  }
  return result;
}

namespace internal {

bool ErrorLocationTableExists() noexcept {
  return publishedTable.load(std::memory_order_acquire) != nullptr;
}

std::size_t ErrorLocationDepth() { return CurrentStack().size(); }

}  // namespace internal
}  // namespace orv
