// orv/startup/Module.h - the library module and the object that starts it.
//
// A Module is the StartUp of a library whose Start and Stop create and
// destroy every registered service (see AutoInit.h); a ModuleStarter starts
// it when the library loads and stops it when the library unloads.
//
// Threads: modules and starters are made and destroyed inside the loader's
// serialised static initialisation and finalisation (or, in a program of its
// own, before it starts threads that use the library); the module instance
// is read without a lock while none is being made or destroyed.
#ifndef ORV_STARTUP_MODULE_H
#define ORV_STARTUP_MODULE_H

#include "orv/Export.h"
#include "orv/file/FileString.h"
#include "orv/startup/StartUp.h"

namespace orv {

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
