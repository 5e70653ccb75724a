// orv/startup/AutoInit.cpp - the registry of automatic initialisers.
#include "orv/startup/AutoInit.h"

#include "orv/startup/AutoInitRegistry.h"

namespace orv {

namespace {
// Null until the first registration and again after ExitAll. Registration and
// the walks run inside the loader's serialised static initialisation and
// finalisation, so the registry needs no lock.
std::vector<AutoInitBase*>* registry = nullptr;
}  // namespace

AutoInitBase::~AutoInitBase() = default;

void AutoInitBase::Register(AutoInitBase* initialiser) {
  if (registry == nullptr) registry = new std::vector<AutoInitBase*>();
  try {
    registry->push_back(initialiser);
  } catch (...) {
    delete initialiser;  // ownership was passed: do not leak it
    throw;
  }
}

bool AutoInitBase::RegistryExists() noexcept { return registry != nullptr; }

std::size_t AutoInitBase::RegisteredCount() noexcept {
  return registry != nullptr ? registry->size() : 0;
}

namespace internal {

void InitRegistered() {
  if (registry == nullptr) return;
  for (AutoInitBase* initialiser : *registry) initialiser->Init();
}

void ExitRegistered() {
  if (registry == nullptr) return;
  std::vector<AutoInitBase*>* entries = registry;
  for (auto it = entries->rbegin(); it != entries->rend(); ++it) {
    (*it)->Exit();
    delete *it;
  }
  delete entries;
  registry = nullptr;
}

}  // namespace internal
}  // namespace orv
