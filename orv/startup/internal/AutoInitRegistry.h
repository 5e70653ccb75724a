// orv/startup/internal/AutoInitRegistry.h - the walks over the registry of
// automatic initialisers, for module start and stop and for tests.
#ifndef ORV_STARTUP_INTERNAL_AUTOINITREGISTRY_H
#define ORV_STARTUP_INTERNAL_AUTOINITREGISTRY_H

namespace orv {
namespace internal {

/// Init() of every registered initialiser in registration order. An exception
/// from one Init leaves at once; later entries stay uninitialised.
void InitRegistered();
/// Exit() and deletion of every entry in reverse order, then frees the
/// registry, which becomes absent.
void ExitRegistered();

}  // namespace internal
}  // namespace orv

#endif
