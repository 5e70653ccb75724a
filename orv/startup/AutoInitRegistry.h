// orv/startup/AutoInitRegistry.h - walks over the registry (internal).
#ifndef ORV_STARTUP_AUTOINITREGISTRY_H
#define ORV_STARTUP_AUTOINITREGISTRY_H

#include <vector>

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
