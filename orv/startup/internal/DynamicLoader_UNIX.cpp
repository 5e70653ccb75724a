// orv/startup/internal/DynamicLoader_UNIX.cpp - the running process and the
// dynamic loader of the GNU C library.
#include "orv/startup/internal/DynamicLoader.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstddef>
#include <new>
#include <utility>

namespace orv {
namespace internal {

std::int32_t CurrentProcessId() noexcept { return static_cast<std::int32_t>(::getpid()); }

std::string ExecutableLink(std::int32_t processId) {
  return "/proc/" + std::to_string(processId) + "/exe";
}

const int LoadFlags = RTLD_LAZY | RTLD_GLOBAL;
const int ReferenceFlags = RTLD_LAZY | RTLD_NOLOAD;

void* OpenObject(const char* name, int flags) { return ::dlopen(name, flags); }

bool CloseObject(void* handle) { return ::dlclose(handle) == 0; }

void* FindSymbol(void* handle, const char* name) { return ::dlsym(handle, name); }

void* FindOwnSymbol(void* handle, const char* name) {
  void* symbol = ::dlsym(handle, name);
  if (symbol == nullptr) return nullptr;

  struct link_map* own = nullptr;
  if (::dlinfo(handle, RTLD_DI_LINKMAP, &own) != 0 || own == nullptr) return nullptr;
  Dl_info info{};
  struct link_map* holder = nullptr;
  if (::dladdr1(symbol, &info, reinterpret_cast<void**>(&holder), RTLD_DL_LINKMAP) == 0 ||
      holder != own) {
    return nullptr;
  }
  return symbol;
}

namespace {

// dl_iterate_phdr holds the loader's lock while it reports, so no object can
// be unloaded (and its name freed) while its name is copied, and the counts
// it reports belong to the list it walks. An exception must not unwind
// through the loader, which would keep its lock held: a failed copy stops
// the walk and is thrown afterwards.
struct ObjectNames {
  std::vector<std::string> names;
  LoaderCounts counts;
  bool outOfMemory = false;
};

void TakeCounts(const struct dl_phdr_info* info, std::size_t size, LoaderCounts& counts) {
  // Older C libraries hand over a shorter record, without the counts.
  if (size < offsetof(struct dl_phdr_info, dlpi_subs) + sizeof info->dlpi_subs) return;
  counts.loaded = info->dlpi_adds;
  counts.unloaded = info->dlpi_subs;
  counts.known = true;
}

int ReadCounts(struct dl_phdr_info* info, std::size_t size, void* data) {
  TakeCounts(info, size, *static_cast<LoaderCounts*>(data));
  return 1;  // every object reports the same counts: the first is enough
}

int CollectName(struct dl_phdr_info* info, std::size_t size, void* data) {
  auto* collected = static_cast<ObjectNames*>(data);
  if (collected->names.empty()) TakeCounts(info, size, collected->counts);
  try {
    collected->names.emplace_back(info->dlpi_name != nullptr ? info->dlpi_name : "");
  } catch (const std::bad_alloc&) {
    collected->outOfMemory = true;
    return 1;
  }
  return 0;
}

}  // namespace

LoaderCounts CurrentLoaderCounts() noexcept {
  LoaderCounts counts;
  ::dl_iterate_phdr(ReadCounts, &counts);
  return counts;
}

std::vector<std::string> LoadedObjectNames(LoaderCounts* counts) {
  ObjectNames collected;
  ::dl_iterate_phdr(CollectName, &collected);
  if (collected.outOfMemory) throw std::bad_alloc();
  if (counts != nullptr) *counts = collected.counts;
  return std::move(collected.names);
}

}  // namespace internal
}  // namespace orv
