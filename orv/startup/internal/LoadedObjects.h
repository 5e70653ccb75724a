// orv/startup/internal/LoadedObjects.h - the objects the dynamic loader has
// loaded: their names, the loader's counts of loads and unloads, and the
// symbols an object defines itself.
//
// Not part of the public API: neither exported nor installed. Defined with
// Process (names, counts) and DynamicLibrary (own symbols).
#ifndef ORV_STARTUP_INTERNAL_LOADEDOBJECTS_H
#define ORV_STARTUP_INTERNAL_LOADEDOBJECTS_H

#include <string>
#include <vector>

namespace orv {
namespace internal {

/// How many objects the loader has loaded and unloaded since the process
/// began. Both only grow, so two equal readings mean that no object was
/// loaded or unloaded between them. `known` is false where the C library
/// does not tell.
struct LoaderCounts {
  unsigned long long loaded = 0;
  unsigned long long unloaded = 0;
  bool known = false;
};

/// True when both readings are known and equal.
bool SameObjects(const LoaderCounts& a, const LoaderCounts& b) noexcept;

/// The loader's counts now. Safe on any thread.
LoaderCounts CurrentLoaderCounts() noexcept;

/// The names of the loaded objects as the loader lists them, main program
/// first (by its empty name), and in `counts`, if not null, the counts that
/// go with that list: both are taken under the loader's lock. Safe on any
/// thread. Throws std::bad_alloc (the names are then dropped).
std::vector<std::string> LoadedObjectNames(LoaderCounts* counts);

/// The definition of `name` in the object that the loader's `handle` names,
/// or null. dlsym on a handle also searches the object's dependencies (and on
/// the main program's handle the whole global scope), so a hit counts only if
/// it lies in the object itself. The caller keeps the object loaded meanwhile.
void* FindOwnSymbol(void* handle, const char* name);

}  // namespace internal
}  // namespace orv

#endif
