// orv/startup/DynamicLibrary.h - a shared object loaded by name.
//
// A shared object that wants to be told exports the unmangled function
//   void ModuleInit(int);
// It is called with 1 right after each successful Load through a
// DynamicLibrary and with 0 right before each dlclose that Unload or the
// destructor issues. Its result, if any, is ignored.
#ifndef ORV_STARTUP_DYNAMICLIBRARY_H
#define ORV_STARTUP_DYNAMICLIBRARY_H

#include <memory>

#include "orv/Export.h"
#include "orv/file/FileString.h"

namespace orv {

/// One reference on a shared object, taken and released through the
/// platform loader.
///
/// Threads: an object is not synchronised, so two threads must not use one
/// object at once (a const lookup beside a Load or Unload included). Distinct
/// objects may be used on distinct threads at the same time, on the same
/// shared object too: the loader serialises its own work and counts the
/// references. "ModuleInit" runs on the thread that loads or unloads, so an
/// object loaded through several DynamicLibrary objects must bear calls from
/// several threads.
class ORV_API DynamicLibrary {
 public:
  using EntryFunction = void (*)(int);

  /// Nothing loaded.
  DynamicLibrary();
  /// Unloads (with "ModuleInit" 0) if loaded. An exception from
  /// "ModuleInit" cannot leave a destructor: it is dropped and the library
  /// is closed all the same.
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  /// Loads `name`, with its extension replaced by "so" when `addExtension`.
  /// A name that denotes an existing file is loaded from exactly that file
  /// (by its canonical path); any other name goes to the platform loader's
  /// own search, and the empty name loads the main program. Returns false
  /// when the loader fails (nothing is thrown) and for a name with a zero
  /// byte inside (the loader would open the name cut short there); throws
  /// FileException (1003, or errno's number as FileString::Canonicalize
  /// says) when an existing file's canonical path cannot be had. An object that is already loaded is unloaded first (its
  /// "ModuleInit" hears 0); if that dlclose fails, false is returned and the
  /// object keeps the earlier library. "ModuleInit" is the object's own
  /// entry (GetOwnSymbol): one that only a dependency, or for the main
  /// program any object of the global scope, exports is not called. An
  /// exception from "ModuleInit" passes on, the object then counts as loaded.
  bool Load(const FileString& name, bool addExtension);
  bool IsLoaded() const noexcept;
  /// dlsym on the handle; null when absent or nothing is loaded. The lookup
  /// also searches the object's dependencies, and for the main program the
  /// whole global scope.
  void* GetSymbol(const StringBase<char>& symbol) const;
  /// Like GetSymbol, but only a definition in the object itself counts:
  /// null when the symbol is found in another object or nothing is loaded.
  void* GetOwnSymbol(const StringBase<char>& symbol) const;
  /// Calls "ModuleInit" with 0, then dlclose. The object stays loaded when
  /// dlclose fails or "ModuleInit" throws (the exception passes on). Does
  /// nothing when nothing is loaded.
  void Unload();

  /// The name under which the library was last loaded, after the
  /// transformations of Load.
  const FileString& GetFileName() const noexcept { return fileName_; }

 private:
  friend class Process;

  /// Like Load without an extension, for an entry of the loader's chain:
  /// takes a reference on the object the loader already maps under
  /// `chainName` and never maps a new one (a canonical path that differs
  /// from the chain's name would map a second copy of the dynamic loader).
  /// The object's symbol scope stays as it is: a locally loaded object is
  /// not made global. The file name is kept as Load would keep it. False
  /// when no object of that name is loaded (any longer).
  bool Attach(const FileString& chainName);
  /// Releases what the object holds, then sets and transforms the file name
  /// (steps shared by Load and Attach). False when nothing may be opened.
  bool PrepareName(const FileString& name, bool addExtension);
  /// Opens `loaderName` with the loader's `flags` (internal::LoadFlags or
  /// ReferenceFlags); on success the entry is looked up and called with 1.
  bool Open(const char* loaderName, int flags);

  struct Record {
    void* handle = nullptr;
    EntryFunction entry = nullptr;
  };
  std::unique_ptr<Record> record_;  // never null
  FileString fileName_;
};

}  // namespace orv

#endif
