// orv/startup/internal/DynamicLoader.h - the running process and its dynamic
// loader: the process identifier and executable, shared objects opened and
// closed, their symbols, the objects loaded and the loader's counts.
//
// Not part of the public API: neither exported nor installed. Defined for
// the GNU C library in DynamicLoader_UNIX.cpp, the only source of the library
// that includes the loader's headers: a port replaces that file.
#ifndef ORV_STARTUP_INTERNAL_DYNAMICLOADER_H
#define ORV_STARTUP_INTERNAL_DYNAMICLOADER_H

#include <cstdint>
#include <string>
#include <vector>

namespace orv {
namespace internal {

/// The identifier of the running process.
std::int32_t CurrentProcessId() noexcept;

/// A name that leads to the executable of the process `processId`, for
/// FileString::Canonicalize to follow (its link under /proc).
std::string ExecutableLink(std::int32_t processId);

/// The loader's flags for loading an object by name: mapped if need be,
/// bound lazily, its symbols made global (RTLD_LAZY | RTLD_GLOBAL).
extern const int LoadFlags;
/// The loader's flags for a reference on an object that the loader already
/// has under the name given: nothing is mapped anew and the object's symbol
/// scope stays as it is, since the loader only ever widens it (RTLD_LAZY,
/// which only satisfies the loader, | RTLD_NOLOAD).
extern const int ReferenceFlags;

/// A handle on the object `name` opened with `flags` (LoadFlags or
/// ReferenceFlags), or null when the loader fails; its error text is not
/// read. The empty name is the main program's.
void* OpenObject(const char* name, int flags);
/// Drops the reference that `handle` holds; false when the loader refuses,
/// and the object then stays loaded.
bool CloseObject(void* handle);
/// The address of `name` as the loader finds it from `handle`: in the object,
/// its dependencies, and for the main program the whole global scope; null
/// when absent.
void* FindSymbol(void* handle, const char* name);

/// The definition of `name` in the object that the loader's `handle` names,
/// or null. FindSymbol also searches the object's dependencies (and on the
/// main program's handle the whole global scope), so a hit counts only if it
/// lies in the object itself. The caller keeps the object loaded meanwhile.
void* FindOwnSymbol(void* handle, const char* name);

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
inline bool SameObjects(const LoaderCounts& a, const LoaderCounts& b) noexcept {
  return a.known && b.known && a.loaded == b.loaded && a.unloaded == b.unloaded;
}

/// The loader's counts now. Safe on any thread.
LoaderCounts CurrentLoaderCounts() noexcept;

/// The names of the loaded objects as the loader lists them, main program
/// first (by its empty name), and in `counts`, if not null, the counts that
/// go with that list: both are taken under the loader's lock. Safe on any
/// thread. Throws std::bad_alloc (the names are then dropped).
std::vector<std::string> LoadedObjectNames(LoaderCounts* counts);

}  // namespace internal
}  // namespace orv

#endif
