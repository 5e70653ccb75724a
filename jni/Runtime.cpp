// jni/Runtime.cpp - native methods of the Java class com.quon.vop.Runtime.
//
// Every entry point converts its arguments, calls C++, and turns the outcome
// into an int status. Nothing but that status crosses back into the JVM: no
// C++ exception escapes and null arguments are answered, not dereferenced.
#include <jni.h>

#include <new>

#include "jni/internal/ReplaceApplicationName.h"
#include "orv/text/StringBase.h"

namespace {

// The version record handed to Java, in this order: major and minor version,
// build number, revision, release year, month and day. The build defines
// the numbers from its one record of the version (cmake/project.env).
constexpr jint VersionRecord[7] = {
    ORV_VERSION_MAJOR, ORV_VERSION_MINOR, ORV_VERSION_BUILD, ORV_VERSION_REVISION,
    ORV_RELEASE_YEAR,  ORV_RELEASE_MONTH, ORV_RELEASE_DAY,
};

// Releases the characters of a Java string on every path.
class UtfChars {
 public:
  UtfChars(JNIEnv* env, jstring string)
      : env_(env), string_(string), chars_(env->GetStringUTFChars(string, nullptr)) {}
  ~UtfChars() {
    if (chars_ != nullptr) env_->ReleaseStringUTFChars(string_, chars_);
  }
  UtfChars(const UtfChars&) = delete;
  UtfChars& operator=(const UtfChars&) = delete;
  const char* get() const { return chars_; }

 private:
  JNIEnv* env_;
  jstring string_;
  const char* chars_;
};

}  // namespace

extern "C" {

// Java: com.quon.vop.Runtime, native int iGetVersion(Object target)
// Calls target.set(int, int, int, int, int, int, int) with the version and
// release date. Returns 0 when "set" was called, 1 when the target (or its
// class) is missing, 2 when the class has no instance method
// "set(IIIIIII)V"; a NoSuchMethodError then stays pending for the caller.
// An exception thrown by "set" also stays pending, with status 0.
JNIEXPORT jint JNICALL Java_com_quon_vop_Runtime_iGetVersion(JNIEnv* env, jobject,
                                                             jobject target) {
  if (env == nullptr || target == nullptr) return 1;
  jclass targetClass = env->GetObjectClass(target);
  if (targetClass == nullptr) return 1;
  jmethodID set = env->GetMethodID(targetClass, "set", "(IIIIIII)V");
  if (set == nullptr) {
    // exception pending: NoSuchMethodError, left for the Java caller
    return 2;
  }
  env->CallVoidMethod(target, set, VersionRecord[0], VersionRecord[1], VersionRecord[2],
                      VersionRecord[3], VersionRecord[4], VersionRecord[5], VersionRecord[6]);
  return 0;
}

// Java: com.quon.vop.Runtime, native int iSetApplicationName(String name)
// Stores the name as the JVM gives its bytes (modified UTF-8). Returns 0 when
// stored, 1 for a null name or JNIEnv (nothing changes), 2 when the
// characters could not be had or copied (the previous name is kept; an
// OutOfMemoryError may be pending).
JNIEXPORT jint JNICALL Java_com_quon_vop_Runtime_iSetApplicationName(JNIEnv* env, jobject,
                                                                     jstring name) {
  if (env == nullptr || name == nullptr) return 1;
  try {
    UtfChars chars(env, name);
    if (chars.get() == nullptr) {
      // exception pending: OutOfMemoryError
      return 2;
    }
    // Build the copy first, so a failure keeps the previous name; only the
    // swap happens under the name's lock, and the previous name is freed
    // (with `copy`) after it.
    orv::StringBase<char> copy(chars.get());
    jni::internal::ReplaceApplicationName(copy);
    return 0;
  } catch (...) {
    return 2;
  }
}

}  // extern "C"
