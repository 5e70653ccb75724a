// jni/ApplicationName.h - the name of the Java application using the library.
#ifndef JNI_APPLICATIONNAME_H
#define JNI_APPLICATIONNAME_H

#include "orv/Export.h"
#include "orv/text/StringBase.h"

namespace jni {

/// A copy of the application name that Java set through
/// Runtime.iSetApplicationName, byte for byte as the JVM gave it (modified
/// UTF-8); empty until then. Any number of threads may read it while others
/// set it: the copy is taken under the name's lock, so it is always one whole
/// name. Throws std::bad_alloc when the copy cannot be made.
ORV_API orv::StringBase<char> ApplicationName();

}  // namespace jni

#endif
