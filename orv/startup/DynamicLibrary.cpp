// orv/startup/DynamicLibrary.cpp - shared objects loaded by name.
#include "orv/startup/DynamicLibrary.h"

#include <dlfcn.h>
#include <link.h>

#include <string>

#include "orv/startup/internal/LoadedObjects.h"

namespace orv {

void* internal::FindOwnSymbol(void* handle, const char* name) {
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

using internal::FindOwnSymbol;

constexpr const char* EntryName = "ModuleInit";
constexpr const char* LibraryExtension = "so";

// The object's own "ModuleInit", or null: an object without an entry of its
// own must not announce its load to another object's entry.
DynamicLibrary::EntryFunction FindOwnEntry(void* handle) {
  void* symbol = FindOwnSymbol(handle, EntryName);
  // POSIX guarantees that a function address survives the trip through
  // void*, which is how dlsym hands it over.
  return reinterpret_cast<DynamicLibrary::EntryFunction>(symbol);
}

}  // namespace

DynamicLibrary::DynamicLibrary() : record_(std::make_unique<Record>()) {}

DynamicLibrary::~DynamicLibrary() {
  if (record_->handle != nullptr) {
    // A destructor cannot pass an exception on (it would end the process),
    // so one escaping "ModuleInit" is dropped here and the object is still
    // closed: a library that throws while being told of its unload must not
    // stay mapped or crash its host.
    try {
      if (record_->entry != nullptr) record_->entry(0);
    } catch (...) {
    }
    ::dlclose(record_->handle);
  }
}

bool DynamicLibrary::Load(const FileString& name, bool addExtension) {
  if (!PrepareName(name, addExtension)) return false;
  return Open(fileName_.c_str(), RTLD_LAZY | RTLD_GLOBAL);
}

bool DynamicLibrary::Attach(const FileString& chainName) {
  if (!PrepareName(chainName, false)) return false;
  // The loader finds its own entries by the names they carry; RTLD_NOLOAD
  // makes sure nothing is mapped anew. Without RTLD_GLOBAL the reference
  // leaves the object's scope as it is (the loader only ever widens it):
  // a JNI library that the JVM loaded locally must not start interposing on
  // every object loaded after it. RTLD_LAZY only satisfies the loader, which
  // wants a binding mode; an object already loaded keeps its own.
  return Open(chainName.c_str(), RTLD_LAZY | RTLD_NOLOAD);
}

bool DynamicLibrary::PrepareName(const FileString& name, bool addExtension) {
  // Loading again first releases what this object holds, so the earlier
  // handle does not leak and the earlier library hears its 0.
  Unload();
  if (record_->handle != nullptr) return false;  // the earlier one could not be closed

  fileName_ = name;
  record_->entry = nullptr;
  if (addExtension) fileName_.SetExtension(LibraryExtension);

  // A zero byte inside would make the loader open the name cut short there,
  // which is not the library that was named. (The empty name is the main
  // program's, as the loader's own list names it.)
  if (fileName_.find('\0') != std::string::npos) return false;

  // An existing file is loaded from exactly that file; anything else is left
  // to the loader's own search. Canonicalize throws naming the file.
  if (fileName_.IsExistingFile()) fileName_.Canonicalize();
  return true;
}

bool DynamicLibrary::Open(const char* loaderName, int flags) {
  void* handle = ::dlopen(loaderName, flags);
  if (handle == nullptr) return false;  // the loader's error text is not read

  record_->handle = handle;
  record_->entry = FindOwnEntry(handle);
  if (record_->entry != nullptr) record_->entry(1);
  return true;
}

bool DynamicLibrary::IsLoaded() const noexcept { return record_->handle != nullptr; }

void* DynamicLibrary::GetSymbol(const StringBase<char>& symbol) const {
  if (record_->handle == nullptr) return nullptr;
  return ::dlsym(record_->handle, symbol.c_str());
}

void* DynamicLibrary::GetOwnSymbol(const StringBase<char>& symbol) const {
  if (record_->handle == nullptr) return nullptr;
  return FindOwnSymbol(record_->handle, symbol.c_str());
}

void DynamicLibrary::Unload() {
  if (record_->handle == nullptr) return;
  if (record_->entry != nullptr) record_->entry(0);
  if (::dlclose(record_->handle) == 0) record_->handle = nullptr;
}

}  // namespace orv
