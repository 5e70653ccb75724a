// orv/startup/StartUp.cpp - a library's start-up object: its identity.
#include "orv/startup/StartUp.h"

#include <cstring>

#include "orv/startup/internal/AutoInitRegistry.h"

namespace orv {
namespace {

// Set and read only inside the loader's serialised static initialisation and
// finalisation, so neither needs a lock.
StartUp* mainStartUp = nullptr;
char shortTag[16] = "";

// GetLanguageCode's codes by Windows LANGID, searched in order; on Linux (id 0) none matches.
struct Language {
  const char* code;
  unsigned short id;
};
constexpr Language Languages[] = {
    {"Us", 0x0009}, {"Sa", 0x0001}, {"Cn", 0x0804}, {"Dk", 0x0006},
    {"Nl", 0x0013}, {"Fr", 0x000C}, {"De", 0x0007}, {"Gr", 0x0008},
    {"It", 0x0010}, {"Hu", 0x000E}, {"Jp", 0x0011}, {"Ko", 0x0012},
    {"Br", 0x0016}, {"Es", 0x000A}, {"Se", 0x001D}, {"Tw", 0x0404},
};

// Linux has no user-interface language identifier.
unsigned short CurrentLanguageId() { return 0; }

}  // namespace

StartUp::StartUp(const char* tag, const char* moduleName)
    : moduleName_(std::make_unique<StringBase<char>>(moduleName)) {
  if (mainStartUp == nullptr) mainStartUp = this;
  // Cut to the buffer: at most 15 characters and the terminator.
  const char* source = tag != nullptr ? tag : "";
  std::size_t length = strnlen(source, sizeof shortTag - 1);
  std::memcpy(shortTag, source, length);
  shortTag[length] = '\0';
}

StartUp::~StartUp() {
  // The name is freed first, the library slot (a member) only after the
  // main pointer is cleared, so that a library told of its unload finds no
  // main start-up object half gone.
  moduleName_.reset();
  if (mainStartUp == this) mainStartUp = nullptr;
}

StringBase<char>& StartUp::GetLanguageCode(StringBase<char>& code) {
  const unsigned short id = CurrentLanguageId();
  for (const Language& language : Languages) {
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

}  // namespace orv
