// bench/jni/BenchNatives.cpp - the benchmark-only native methods of
// com.quon.vop.bench.JniBench: the floor of the library's iGetVersion.
#include <jni.h>

extern "C" {

// The same three JNI calls as iGetVersion, written directly, with the same
// record (the build defines the ORV_VERSION_ and ORV_RELEASE_ numbers).
JNIEXPORT jint JNICALL Java_com_quon_vop_bench_JniBench_baseline(JNIEnv* env, jobject,
                                                                jobject target) {
  jclass targetClass = env->GetObjectClass(target);
  jmethodID set = env->GetMethodID(targetClass, "set", "(IIIIIII)V");
  if (set == nullptr) return 2;
  env->CallVoidMethod(target, set, ORV_VERSION_MAJOR, ORV_VERSION_MINOR, ORV_VERSION_BUILD,
                      ORV_VERSION_REVISION, ORV_RELEASE_YEAR, ORV_RELEASE_MONTH,
                      ORV_RELEASE_DAY);
  return 0;
}

// The cost of crossing into native code and back.
JNIEXPORT jint JNICALL Java_com_quon_vop_bench_JniBench_empty(JNIEnv*, jobject, jobject) {
  return 0;
}

}  // extern "C"
