// tests/jni/ExportProbe.cpp - a shared object that exports what the library
// must not: a function of namespace orv::internal and a class's vtable and
// typeinfo there, beside the two JNI functions. check-exports.sh must reject
// it, so that its check of the library can fail.
#include <jni.h>

extern "C" {
JNIEXPORT jint JNICALL Java_com_quon_vop_Runtime_iGetVersion(JNIEnv*, jobject, jobject) {
  return 0;
}
JNIEXPORT jint JNICALL Java_com_quon_vop_Runtime_iSetApplicationName(JNIEnv*, jobject,
                                                                     jstring) {
  return 0;
}
}

namespace orv::internal {

__attribute__((visibility("default"))) int ExportedByMistake() { return 1; }

class __attribute__((visibility("default"))) ExportedClass {
 public:
  virtual ~ExportedClass();
};
ExportedClass::~ExportedClass() = default;

}  // namespace orv::internal
