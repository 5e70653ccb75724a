// orv/startup/Process.cpp - the descriptor of the running process.
#include "orv/startup/Process.h"

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "orv/startup/DynamicLibrary.h"
#include "orv/startup/internal/DynamicLoader.h"

namespace orv {

Process::Process() : processId_(internal::CurrentProcessId()) {}

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
  FileString link(internal::ExecutableLink(processId_));
  link.Canonicalize();
  path = link;
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
