// orv/startup/Process.cpp - the descriptor of the running process.
#include "orv/startup/Process.h"

#include <link.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "orv/startup/DynamicLibrary.h"
#include "orv/startup/internal/LoadedObjects.h"

namespace orv {

Process::Process() : processId_(static_cast<std::int32_t>(::getpid())) {}

Process::~Process() = default;

Process* Process::Current() {
  // A function-local static: built on first use, destroyed when the library
  // is unloaded, so load/unload cycles leave nothing behind.
  static Process descriptor;
  // The path is asked for once, even when several threads make their first
  // call at the same moment (the message catalogue asks from any thread). If
  // that fails the descriptor stays with an empty path and the exception goes
  // to the first caller only.
  static std::once_flag pathAsked;
  static std::exception_ptr failure;
  static std::atomic<bool> failureReported{false};
  std::call_once(pathAsked, [] {
    try {
      descriptor.GetExecutablePath(descriptor.executablePath_);
    } catch (...) {
      failure = std::current_exception();
    }
  });
  if (failure && !failureReported.exchange(true)) std::rethrow_exception(failure);
  return &descriptor;
}

void Process::GetExecutablePath(FileString& path) const {
  // The link names the executable; realpath follows it to the file itself.
  FileString link("/proc/" + std::to_string(processId_) + "/exe");
  link.Canonicalize();
  path = link;
}

namespace {

// dl_iterate_phdr holds the loader's lock while it reports, so no object can
// be unloaded (and its name freed) while its name is copied, and the counts
// it reports belong to the list it walks. An exception must not unwind
// through the loader, which would keep its lock held: a failed copy stops
// the walk and is thrown afterwards.
struct ObjectNames {
  std::vector<std::string> names;
  internal::LoaderCounts counts;
  bool outOfMemory = false;
};

void TakeCounts(const struct dl_phdr_info* info, std::size_t size,
                internal::LoaderCounts& counts) {
  // Older C libraries hand over a shorter record, without the counts.
  if (size < offsetof(struct dl_phdr_info, dlpi_subs) + sizeof info->dlpi_subs) return;
  counts.loaded = info->dlpi_adds;
  counts.unloaded = info->dlpi_subs;
  counts.known = true;
}

int ReadCounts(struct dl_phdr_info* info, std::size_t size, void* data) {
  TakeCounts(info, size, *static_cast<internal::LoaderCounts*>(data));
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

bool internal::SameObjects(const LoaderCounts& a, const LoaderCounts& b) noexcept {
  return a.known && b.known && a.loaded == b.loaded && a.unloaded == b.unloaded;
}

internal::LoaderCounts internal::CurrentLoaderCounts() noexcept {
  LoaderCounts counts;
  ::dl_iterate_phdr(ReadCounts, &counts);
  return counts;
}

std::vector<std::string> internal::LoadedObjectNames(LoaderCounts* counts) {
  ObjectNames collected;
  ::dl_iterate_phdr(CollectName, &collected);
  if (collected.outOfMemory) throw std::bad_alloc();
  if (counts != nullptr) *counts = collected.counts;
  return std::move(collected.names);
}

bool Process::GetLoadedLibraries(std::vector<DynamicLibrary*>& libraries) const {
  if (this != Current()) return false;

  const std::vector<std::string> names = internal::LoadedObjectNames(nullptr);
  if (names.empty()) return false;

  // The earlier objects belong to the caller: dropped from the list only.
  libraries.clear();
  for (const std::string& name : names) {
    auto library = std::make_unique<DynamicLibrary>();
    // Listed whatever the outcome; one that failed to load (or was unloaded
    // since its name was taken) has no handle.
    library->Attach(FileString(name));
    libraries.push_back(library.get());
    library.release();
  }
  return true;
}

}  // namespace orv
