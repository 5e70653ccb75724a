// orv/startup/DynamicLibrary.h - a shared object loaded by name.
//
// A shared object that wants to be told exports the unmangled function
//   void ModuleInit(int);
// It is called with 1 right after each successful Load through a
// DynamicLibrary and with 0 right before each dlclose that Unload or the
// destructor issues. Its result, if any, is ignored.
#ifndef ORV_STARTUP_DYNAMICLIBRARY_H
#define ORV_STARTUP_DYNAMICLIBRARY_H

#include "orv/Export.h"
#include "orv/file/FileString.h"

namespace orv {

class ORV_API DynamicLibrary {
 public:
  using EntryFunction = void (*)(int);

  /// Nothing loaded.
  DynamicLibrary();
  /// Unloads (with "ModuleInit" 0) if loaded.
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  /// Loads `name`, with its extension replaced by "so" when `addExtension`.
  /// A name that denotes an existing file is loaded from exactly that file
  /// (by its canonical path); any other name goes to the platform loader's
  /// own search. Returns false when the loader fails (nothing is thrown);
  /// throws FileException 1003 when an existing file's canonical path cannot
  /// be had. An object that is already loaded is unloaded first.
  bool Load(const FileString& name, bool addExtension);
  bool IsLoaded() const noexcept;
  /// dlsym on the handle; null when absent or nothing is loaded.
  void* GetSymbol(const StringBase<char>& symbol) const;
  /// Calls "ModuleInit" with 0, then dlclose. The object stays loaded when
  /// dlclose fails. Does nothing when nothing is loaded.
  void Unload();

  /// The name under which the library was last loaded, after the
  /// transformations of Load.
  const FileString& GetFileName() const noexcept { return fileName_; }

 private:
  struct Record {
    void* handle;
    EntryFunction entry;
  };
  Record* record_;
  FileString fileName_;
};

}  // namespace orv

#endif
