// jni/ApplicationName.h - the name of the Java application using the library.
#ifndef JNI_APPLICATIONNAME_H
#define JNI_APPLICATIONNAME_H

#include "orv/Export.h"
#include "orv/text/StringBase.h"

/// The application name that Java set through Runtime.iSetApplicationName,
/// byte for byte as the JVM gave it (modified UTF-8); empty until then.
/// Not locked: Java sets the name before it uses the rest of the library.
ORV_API const orv::StringBase<char>& ApplicationName();

namespace jni {
/// The same string for the entry point that writes it (not exported).
orv::StringBase<char>& MutableApplicationName();
}  // namespace jni

#endif
