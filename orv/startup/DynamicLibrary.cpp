// orv/startup/DynamicLibrary.cpp - shared objects loaded by name.
#include "orv/startup/DynamicLibrary.h"

#include <string>

#include "orv/startup/internal/DynamicLoader.h"

namespace orv {
namespace {

constexpr const char* EntryName = "ModuleInit";
constexpr const char* LibraryExtension = "so";

// The object's own "ModuleInit", or null: an object without an entry of its
// own must not announce its load to another object's entry.
DynamicLibrary::EntryFunction FindOwnEntry(void* handle) {
  void* symbol = internal::FindOwnSymbol(handle, EntryName);
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
    internal::CloseObject(record_->handle);
  }
}

bool DynamicLibrary::Load(const FileString& name, bool addExtension) {
  if (!PrepareName(name, addExtension)) return false;
  return Open(fileName_.c_str(), internal::LoadFlags);
}

bool DynamicLibrary::Attach(const FileString& chainName) {
  if (!PrepareName(chainName, false)) return false;
  // The loader finds its own entries by the names they carry; nothing is
  // mapped anew. The object's scope stays as it is: a JNI library that the
  // JVM loaded locally must not start interposing on every object loaded
  // after it.
  return Open(chainName.c_str(), internal::ReferenceFlags);
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
  void* handle = internal::OpenObject(loaderName, flags);
  if (handle == nullptr) return false;  // the loader's error text is not read

  record_->handle = handle;
  record_->entry = FindOwnEntry(handle);
  if (record_->entry != nullptr) record_->entry(1);
  return true;
}

bool DynamicLibrary::IsLoaded() const noexcept { return record_->handle != nullptr; }

void* DynamicLibrary::GetSymbol(const StringBase<char>& symbol) const {
  if (record_->handle == nullptr) return nullptr;
  return internal::FindSymbol(record_->handle, symbol.c_str());
}

void* DynamicLibrary::GetOwnSymbol(const StringBase<char>& symbol) const {
  if (record_->handle == nullptr) return nullptr;
  return internal::FindOwnSymbol(record_->handle, symbol.c_str());
}

void DynamicLibrary::Unload() {
  if (record_->handle == nullptr) return;
  if (record_->entry != nullptr) record_->entry(0);
  if (internal::CloseObject(record_->handle)) record_->handle = nullptr;
}

}  // namespace orv
