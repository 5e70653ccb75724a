// orv/startup/StartUp.h - a library's start-up object: its identity.
//
// A StartUp object gives a library its identity: a module name and a short
// tag shown before message numbers. The first one constructed is the main
// start-up object; the tag of the last one constructed stands. Its static
// InitAll and ExitAll create and destroy every registered service (see
// AutoInit.h); the library module (Module.h) is the StartUp whose Start and
// Stop run them.
//
// Threads: start-up objects are made and destroyed, and InitAll and ExitAll
// run, inside the loader's serialised static initialisation and finalisation
// (or, in a program of its own, before it starts threads that use the
// library). The main object, the short tag and the module name are read
// without a lock, by any number of threads at once, while no start-up
// object is being made or destroyed.
#ifndef ORV_STARTUP_STARTUP_H
#define ORV_STARTUP_STARTUP_H

#include <memory>

#include "orv/Export.h"
#include "orv/file/FileString.h"
#include "orv/startup/DynamicLibrary.h"
#include "orv/text/StringBase.h"

namespace orv {

class ORV_API StartUp {
 public:
  /// `shortTag` is copied into the process-wide tag buffer, cut to 15
  /// characters (null gives the empty tag); a null `moduleName` gives an
  /// empty module name.
  StartUp(const char* shortTag, const char* moduleName);
  virtual ~StartUp();
  StartUp(const StartUp&) = delete;
  StartUp& operator=(const StartUp&) = delete;

  virtual FileString GetBaseName() = 0;
  /// Sets `code` to the two-letter code of the user-interface language, or
  /// to the empty string where none applies (always, on Linux); returns it.
  virtual StringBase<char>& GetLanguageCode(StringBase<char>& code);
  virtual bool Start() = 0;
  virtual bool Stop() = 0;

  /// The owned module-name string (never null while this object lives).
  StringBase<char>* GetModuleName() const noexcept { return moduleName_.get(); }
  /// The library slot; nothing here loads it, destruction unloads it.
  DynamicLibrary& GetLibrary() noexcept { return library_; }

  /// The first StartUp constructed, until it is destroyed; may be null.
  static StartUp* GetMain() noexcept;
  /// The process-wide short tag (at most 15 characters).
  static const char* GetShortTag() noexcept;

  /// Creates every registered service in registration order. Always true.
  static bool InitAll();
  /// Destroys every registered service in reverse order and frees the
  /// registry. Always true.
  static bool ExitAll();

 private:
  std::unique_ptr<StringBase<char>> moduleName_;
  DynamicLibrary library_;
};

}  // namespace orv

#endif
