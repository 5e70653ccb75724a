// orv/error/ErrorLocation.h - per-thread error locations.
//
// Each thread has a stack of location entries (what it is working on: a file
// name, an item). Exceptions capture the text of the current stack when they
// are built. All stacks live in one process-wide table owned by the service
// ErrorLocationInit; the table is also created on first use.
//
// Threads: each thread reads and writes only its own stack, and any number of
// threads may use their scopes and CurrentErrorLocation at once. Creating and
// destroying the service replaces the table with every stack in it, so it
// must not overlap any other thread's use of error locations (the library's
// load order does both while the loader runs no other code of it).
#ifndef ORV_ERROR_ERRORLOCATION_H
#define ORV_ERROR_ERRORLOCATION_H

#include <cstddef>

#include "orv/Export.h"
#include "orv/text/StringBase.h"

namespace orv {

/// The error-location service (see AutoInit.h; its place in the start order
/// is its registrar's in jni/LoadOrder.cpp). Creating it makes a new empty
/// thread-to-stack table and publishes it, replacing one that first use made
/// earlier; destroying it discards every stack and the table.
class ORV_API ErrorLocationInit {
 public:
  ErrorLocationInit() = default;
  ErrorLocationInit(const ErrorLocationInit&) = delete;
  ErrorLocationInit& operator=(const ErrorLocationInit&) = delete;
};
ORV_API void AutoInitStarted(ErrorLocationInit* instance);
ORV_API void AutoInitStopping(ErrorLocationInit* instance);

/// Pushes one entry on the calling thread's stack for its lifetime.
/// A chained entry continues the next outer entry in location texts.
/// Guards on one thread are destroyed in the reverse order of creation.
class ORV_API ErrorLocationScope {
 public:
  explicit ErrorLocationScope(const StringBase<char>& text, bool chained = false);
  ~ErrorLocationScope();
  ErrorLocationScope(const ErrorLocationScope&) = delete;
  ErrorLocationScope& operator=(const ErrorLocationScope&) = delete;

 private:
  // What the destructor pops: active_ once the entry is pushed, pushed_ entries (one).
  bool active_;
  std::size_t pushed_;
};

/// The calling thread's location text: the top entry, preceded (outermost
/// first, ", " between) by the outer entries its chain reaches. Empty when
/// the stack is empty.
ORV_API StringBase<char> CurrentErrorLocation();

}  // namespace orv

#endif
