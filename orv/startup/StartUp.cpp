// orv/startup/StartUp.cpp - start-up objects and the library module.
#include "orv/startup/StartUp.h"

#include <cstring>

#include "orv/startup/AutoInitRegistry.h"

namespace orv {
namespace {

// Set and read only inside the loader's serialised static initialisation and
// finalisation, so none of these needs a lock.
StartUp* mainStartUp = nullptr;
Module* moduleInstance = nullptr;
char shortTag[16] = "";

// User-interface languages in Windows LANGID numbering, searched in order.
struct Language {
  const char* code;
  unsigned short id;
};
constexpr Language kLanguages[] = {
    {"Us", 0x0009}, {"Sa", 0x0001}, {"Cn", 0x0804}, {"Dk", 0x0006},
    {"Nl", 0x0013}, {"Fr", 0x000C}, {"De", 0x0007}, {"Gr", 0x0008},
    {"It", 0x0010}, {"Hu", 0x000E}, {"Jp", 0x0011}, {"Ko", 0x0012},
    {"Br", 0x0016}, {"Es", 0x000A}, {"Se", 0x001D}, {"Tw", 0x0404},
};

// Linux has no user-interface language identifier.
unsigned short CurrentLanguageId() { return 0; }

}  // namespace

StartUp::StartUp(const char* tag, const char* moduleName)
    : moduleName_(new StringBase<char>(moduleName)) {
  if (mainStartUp == nullptr) mainStartUp = this;
  // Cut to the buffer: at most 15 characters and the terminator.
  const char* source = tag != nullptr ? tag : "";
  std::size_t length = strnlen(source, sizeof shortTag - 1);
  std::memcpy(shortTag, source, length);
  shortTag[length] = '\0';
}

StartUp::~StartUp() {
  delete moduleName_;
  moduleName_ = nullptr;
  if (mainStartUp == this) mainStartUp = nullptr;
}

StringBase<char>& StartUp::GetLanguageCode(StringBase<char>& code) {
  const unsigned short id = CurrentLanguageId();
  for (const Language& language : kLanguages) {
    if (language.id == id) {
      code = language.code;
      return code;
    }
  }
  code.clear();
  return code;
}

StartUp* StartUp::GetMain() noexcept { return mainStartUp; }

const char* StartUp::GetShortTag() noexcept { return shortTag; }

bool StartUp::InitAll() {
  internal::InitRegistered();
  return true;
}

bool StartUp::ExitAll() {
  internal::ExitRegistered();
  return true;
}

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
  internal::InitRegistered();
  if (!module.Start()) module.Stop();
}

ModuleStarter::~ModuleStarter() {
  if (Module* module = Module::GetInstance()) module->Stop();
}

}  // namespace orv
