// orv/startup/Module.cpp - the library module and the object that starts it.
#include "orv/startup/Module.h"

#include "orv/startup/internal/AutoInitRegistry.h"

namespace orv {
namespace {

// Set and read only inside the loader's serialised static initialisation and
// finalisation, so it needs no lock.
Module* moduleInstance = nullptr;

}  // namespace

Module::Module(const char* tag, const char* moduleName) : StartUp(tag, moduleName) {
  moduleInstance = this;
}

Module::~Module() { moduleInstance = nullptr; }

FileString Module::GetBaseName() { return FileString("orv"); }

bool Module::Start() { return InitAll(); }

bool Module::Stop() { return ExitAll(); }

bool Module::CanUnload() { return true; }

bool Module::CanShare() { return true; }

Module* Module::GetInstance() noexcept { return moduleInstance; }

ModuleStarter::ModuleStarter(Module& module) {
  // Services first, whatever a derived Start does; Module::Start then creates none.
  internal::InitRegistered();
  if (!module.Start()) module.Stop();
}

ModuleStarter::~ModuleStarter() {
  if (Module* module = Module::GetInstance()) module->Stop();
}

}  // namespace orv
