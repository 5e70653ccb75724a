// jni/internal/ReplaceApplicationName.h - sets the application name, for the
// entry point that does so.
#ifndef JNI_INTERNAL_REPLACEAPPLICATIONNAME_H
#define JNI_INTERNAL_REPLACEAPPLICATIONNAME_H

#include "orv/text/StringBase.h"

namespace jni {
namespace internal {

/// Makes `name` the application name and leaves the previous one in `name`,
/// under the name's lock, so readers on other threads see one whole name.
/// The caller frees the previous name after the lock is released.
void ReplaceApplicationName(orv::StringBase<char>& name);

}  // namespace internal
}  // namespace jni

#endif
