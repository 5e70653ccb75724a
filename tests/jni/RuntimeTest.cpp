// Tests of the JNI entry points through a fake JNIEnv, for what a JVM cannot
// show byte for byte: stored name bytes, status codes, the calls made.
#include <jni.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <vector>

#include "jni/ApplicationName.h"

extern "C" {
jint Java_com_quon_vop_Runtime_iGetVersion(JNIEnv*, jobject, jobject);
jint Java_com_quon_vop_Runtime_iSetApplicationName(JNIEnv*, jobject, jstring);
}

namespace {

// What the fake VM answers and what it saw.
struct FakeVm {
  jclass objectClass = reinterpret_cast<jclass>(0x10);
  jmethodID method = reinterpret_cast<jmethodID>(0x20);
  const char* utfChars = nullptr;  // null: out of memory
  std::string methodName, methodSignature;
  std::vector<jint> setArguments;
  int getChars = 0, releaseChars = 0;
  const char* released = nullptr;
};
FakeVm vm;

jclass JNICALL GetObjectClass(JNIEnv*, jobject) { return vm.objectClass; }
jmethodID JNICALL GetMethodID(JNIEnv*, jclass, const char* name, const char* sig) {
  vm.methodName = name;
  vm.methodSignature = sig;
  return vm.method;
}
void JNICALL CallVoidMethodV(JNIEnv*, jobject, jmethodID, va_list args) {
  for (int i = 0; i < 7; ++i) vm.setArguments.push_back(va_arg(args, jint));
}
void JNICALL CallVoidMethod(JNIEnv* env, jobject target, jmethodID method, ...) {
  va_list args;
  va_start(args, method);
  CallVoidMethodV(env, target, method, args);
  va_end(args);
}
const char* JNICALL GetStringUTFChars(JNIEnv*, jstring, jboolean*) {
  ++vm.getChars;
  return vm.utfChars;
}
void JNICALL ReleaseStringUTFChars(JNIEnv*, jstring, const char* chars) {
  ++vm.releaseChars;
  vm.released = chars;
}

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vm = FakeVm();
    table_.GetObjectClass = GetObjectClass;
    table_.GetMethodID = GetMethodID;
    table_.CallVoidMethod = CallVoidMethod;
    table_.CallVoidMethodV = CallVoidMethodV;
    table_.GetStringUTFChars = GetStringUTFChars;
    table_.ReleaseStringUTFChars = ReleaseStringUTFChars;
    env_.functions = &table_;
  }

  jint GetVersion(jobject target) {
    return Java_com_quon_vop_Runtime_iGetVersion(&env_, nullptr, target);
  }
  jint SetName(const char* utf) {
    vm.utfChars = utf;
    return Java_com_quon_vop_Runtime_iSetApplicationName(&env_, nullptr, name_);
  }

  JNINativeInterface_ table_{};
  JNIEnv env_{};
  jobject target_ = reinterpret_cast<jobject>(0x30);
  jstring name_ = reinterpret_cast<jstring>(0x40);
};

TEST_F(RuntimeTest, VersionIsHandedToSetInOrder) {
  EXPECT_EQ(GetVersion(target_), 0);
  EXPECT_EQ(vm.methodName, "set");
  EXPECT_EQ(vm.methodSignature, "(IIIIIII)V");
  EXPECT_EQ(vm.setArguments,
            (std::vector<jint>{ORV_VERSION_MAJOR, ORV_VERSION_MINOR, ORV_VERSION_BUILD,
                               ORV_VERSION_REVISION, ORV_RELEASE_YEAR, ORV_RELEASE_MONTH,
                               ORV_RELEASE_DAY}));
}

TEST_F(RuntimeTest, VersionStatusCodes) {
  vm.method = nullptr;
  EXPECT_EQ(GetVersion(target_), 2);
  EXPECT_TRUE(vm.setArguments.empty());

  vm.objectClass = nullptr;
  EXPECT_EQ(GetVersion(target_), 1);

  // A null target or JNIEnv is answered without calling into the VM.
  vm = FakeVm();
  EXPECT_EQ(GetVersion(nullptr), 1);
  EXPECT_TRUE(vm.methodName.empty());
  EXPECT_EQ(Java_com_quon_vop_Runtime_iGetVersion(nullptr, nullptr, target_), 1);
}

TEST_F(RuntimeTest, NameIsStoredByteForByteAndReleased) {
  EXPECT_EQ(SetName("caf\xC3\xA9 \xC0\x80"), 0);  // U+00E9 and U+0000, modified UTF-8
  EXPECT_EQ(std::string(jni::ApplicationName()), "caf\xC3\xA9 \xC0\x80");
  EXPECT_EQ(vm.getChars, 1);
  EXPECT_EQ(vm.releaseChars, 1);
  EXPECT_EQ(vm.released, vm.utfChars);
}

TEST_F(RuntimeTest, ShorterNameReplacesLongerOneWhole) {
  ASSERT_EQ(SetName("a rather long application name"), 0);
  ASSERT_EQ(SetName("short"), 0);
  EXPECT_EQ(std::string(jni::ApplicationName()), "short");
  ASSERT_EQ(SetName(""), 0);
  EXPECT_EQ(std::string(jni::ApplicationName()), "");
}

TEST_F(RuntimeTest, NullNameChangesNothing) {
  ASSERT_EQ(SetName("kept"), 0);
  EXPECT_EQ(Java_com_quon_vop_Runtime_iSetApplicationName(&env_, nullptr, nullptr), 1);
  EXPECT_EQ(Java_com_quon_vop_Runtime_iSetApplicationName(nullptr, nullptr, name_), 1);
  EXPECT_EQ(std::string(jni::ApplicationName()), "kept");
}

TEST_F(RuntimeTest, OutOfMemoryKeepsThePreviousNameAndReleasesNothing) {
  ASSERT_EQ(SetName("kept"), 0);
  vm.releaseChars = 0;
  EXPECT_EQ(SetName(nullptr), 2);
  EXPECT_EQ(std::string(jni::ApplicationName()), "kept");
  EXPECT_EQ(vm.releaseChars, 0);
}

}  // namespace
