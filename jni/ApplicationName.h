// jni/ApplicationName.h - the name of the Java application using the library.
#ifndef JNI_APPLICATIONNAME_H
#define JNI_APPLICATIONNAME_H

#include "orv/Export.h"
#include "orv/text/StringBase.h"

/// A copy of the application name that Java set through
/// Runtime.iSetApplicationName, byte for byte as the JVM gave it (modified
/// UTF-8); empty until then. Any number of threads may read it while others
/// set it: the copy is taken under the name's lock, so it is always one whole
/// name. Throws std::bad_alloc when the copy cannot be made.
ORV_API orv::StringBase<char> ApplicationName();

namespace jni {
/// Makes `name` the application name and leaves the previous one in `name`,
/// under the name's lock (for the entry point that sets it; not exported).
/// The caller frees the previous name after the lock is released.
void ReplaceApplicationName(orv::StringBase<char>& name);
}  // namespace jni

#endif
