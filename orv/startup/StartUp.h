// orv/startup/StartUp.h - start-up objects and the library module.
//
// A StartUp object gives a library its identity: a module name and a short
// tag shown before message numbers. The first one constructed is the main
// start-up object; the tag of the last one constructed stands. A Module is
// the StartUp of a library whose Start and Stop create and destroy every
// registered service (see AutoInit.h); a ModuleStarter starts it when the
// library loads and stops it when the library unloads.
#ifndef ORV_STARTUP_STARTUP_H
#define ORV_STARTUP_STARTUP_H

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

  /// The owned module-name string.
  StringBase<char>* GetModuleName() const noexcept { return moduleName_; }
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
  StringBase<char>* moduleName_;
  DynamicLibrary library_;
};

class ORV_API Module : public StartUp {
 public:
  Module(const char* shortTag, const char* moduleName);
  /// Clears the module instance pointer, whichever module this is.
  ~Module() override;

  /// Always "orv".
  FileString GetBaseName() override;
  /// InitAll().
  bool Start() override;
  /// ExitAll().
  bool Stop() override;
  /// Whether the module may be unloaded now; the base answers true.
  virtual bool CanUnload();
  /// Whether the module accepts being used by another module; true here.
  virtual bool CanShare();

  /// The newest Module constructed, or null once any Module was destroyed.
  static Module* GetInstance() noexcept;
};

/// Starts a module on construction and stops the current module instance on
/// destruction.
class ORV_API ModuleStarter {
 public:
  /// Creates every registered service, then runs `module.Start()`; a false
  /// result is followed by `module.Stop()`.
  explicit ModuleStarter(Module& module);
  /// Stop() of Module::GetInstance(), if there is one.
  ~ModuleStarter();
  ModuleStarter(const ModuleStarter&) = delete;
  ModuleStarter& operator=(const ModuleStarter&) = delete;
};

}  // namespace orv

#endif
