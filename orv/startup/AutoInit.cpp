// orv/startup/AutoInit.cpp - the registry of automatic initialisers.
#include "orv/startup/AutoInit.h"

#include <memory>
#include <vector>

#include "orv/startup/internal/AutoInitRegistry.h"
#include "orv/text/internal/NoDestructor.h"

namespace orv {

namespace {

using Registry = std::vector<std::unique_ptr<AutoInitBase>>;
using RegistryPointer = std::unique_ptr<Registry>;

// The registry, absent until the first registration and again after
// ExitRegistered. Registration and the walks run inside the loader's
// serialised static initialisation and finalisation, so it needs no lock.
//
// Its owner is built on first use and never destroyed: a registrar may run
// before this file's own static objects exist, and a registry that is still
// present when the process ends holds services that finalisers may still
// use, so it must not be torn down behind their backs.
RegistryPointer& RegistryOwner() noexcept {
  static internal::NoDestructor<RegistryPointer> owner;
  return *owner;
}

}  // namespace

AutoInitBase::~AutoInitBase() = default;

void AutoInitBase::Register(AutoInitBase* initialiser) {
  // Owned from here on, so it is freed if the registry cannot take it.
  std::unique_ptr<AutoInitBase> owned(initialiser);
  RegistryPointer& registry = RegistryOwner();
  if (registry == nullptr) registry = std::make_unique<Registry>();
  registry->push_back(std::move(owned));
}

bool AutoInitBase::RegistryExists() noexcept { return RegistryOwner() != nullptr; }

std::size_t AutoInitBase::RegisteredCount() noexcept {
  const RegistryPointer& registry = RegistryOwner();
  return registry != nullptr ? registry->size() : 0;
}

namespace internal {

void InitRegistered() {
  const RegistryPointer& registry = RegistryOwner();
  if (registry == nullptr) return;
  for (const std::unique_ptr<AutoInitBase>& initialiser : *registry) initialiser->Init();
}

void ExitRegistered() {
  RegistryPointer& registry = RegistryOwner();
  if (registry == nullptr) return;
  // The registry stays in place while it is walked; each entry goes right
  // after its Exit.
  for (auto entry = registry->rbegin(); entry != registry->rend(); ++entry) {
    (*entry)->Exit();
    entry->reset();
  }
  registry.reset();
}

}  // namespace internal
}  // namespace orv
