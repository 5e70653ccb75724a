// orv/startup/Process.cpp - the descriptor of the running process.
#include "orv/startup/Process.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <string>

#include "orv/startup/DynamicLibrary.h"

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

bool Process::GetLoadedLibraries(std::vector<DynamicLibrary*>& libraries) const {
  if (this != Current()) return false;

  // The main program's handle; it is not closed again (the loader keeps the
  // main program for the life of the process whatever its count).
  void* mainHandle = ::dlopen(nullptr, RTLD_NOW);
  if (mainHandle == nullptr) return false;
  struct link_map* map = nullptr;
  if (::dlinfo(mainHandle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return false;

  // The earlier objects belong to the caller: dropped from the list only.
  libraries.clear();
  for (; map != nullptr; map = map->l_next) {
    auto library = std::make_unique<DynamicLibrary>();
    // Listed whatever the outcome; one that failed to load has no handle.
    library->Attach(FileString(map->l_name));
    libraries.push_back(library.get());
    library.release();
  }
  return true;
}

}  // namespace orv
