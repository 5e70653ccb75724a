// What may run on many threads at once, all at the same time in the library
// as loaded: exceptions with error locations, Base64 decoding from its first
// use, catalogue lookups of registered and unregistered numbers, and one file
// per thread; the application name set and read on many threads; lookups
// while another thread loads and unloads. Run under ThreadSanitizer by the
// tsan preset.
#include <dlfcn.h>
#include <jni.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "jni/ApplicationName.h"
#include "orv/orv.h"
#include "tests/support/RunTogether.h"
#include "tests/support/TempFolder.h"

extern "C" jint Java_com_quon_vop_Runtime_iSetApplicationName(JNIEnv*, jobject, jstring);

// ThreadSanitizer cannot see the dynamic loader's own locks, so two things
// the loader orders look like races to it: when a lookup drops the last
// reference on an object that another thread's dlopen mapped, the loader
// frees, under its lock, what the other thread allocated; and the names that
// dl_iterate_phdr hands to its callback were written by another thread's
// dlopen before it published the object under that lock. A suppression
// excuses every report with one of these frames on either side: a race of
// the library's own code with a free inside the loader's close is excused
// too, so a read of a freed loader record (names taken outside the lock) is
// left to the AddressSanitizer build, which reports it as a use after free.
extern "C" const char* __tsan_default_suppressions() {
  return "race:_dl_close_worker\n"
         "race:dl_iterate_phdr_cb\n";
}

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 200;
constexpr int kNameRounds = NAME_ROUNDS;

using orv::test::RunTogether;

std::string Work(int thread, const std::string& folder) {
  unsigned char decoded[8];
  if (orv::Base64::Decode("Zm9vYmFy", decoded, sizeof decoded) != 6) return "decode";

  const std::string where = "thread " + std::to_string(thread);
  orv::ErrorLocationScope scope(where.c_str(), false);
  orv::FileString name(folder.c_str());
  name.AppendPath(("file" + std::to_string(thread)).c_str());
  orv::File file;
  file.SetName(name.c_str());
  file.Open(orv::ModeRead | orv::ModeWrite | orv::ModeCreate | orv::ModeTruncate);

  for (int round = 0; round < kRounds; ++round) {
    orv::StringBase<char> text;
    if (!orv::GetMessageText(text, 1313) || text != "Invalid date/time: %1") return "1313";
    if (round % 50 == 0) {
      orv::StringBase<char> untouched("kept");
      // Walks the loaded objects: nobody supplies 3999.
      if (orv::GetMessageText(untouched, 3999) || untouched != "kept") return "3999";
    }
    const orv::Exception e(2005, std::to_string(round).c_str());
    const std::string expected = "libquonvop4j, " + where + ": error QV2005 - value " +
                                 std::to_string(round) + " out of range.";
    if (e.what() != expected) return std::string("text: ") + e.what();
    file.Write(&round, sizeof round);
  }
  file.Rewind();
  for (int round = 0; round < kRounds; ++round) {
    int back = -1;
    file.Read(&back, sizeof back, true);
    if (back != round) return "file content";
  }
  file.Close();
  std::remove(name.c_str());
  return "";
}

TEST(Stress, ManyThreadsUseTheLibraryAtOnce) {
  const orv::test::TempFolder folder("orv-stress");
  const std::vector<std::string> failures =
      RunTogether(kThreads, [&folder](int t) { return Work(t, folder.Path()); });
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], "") << "thread " << t;
}

// A JNIEnv whose Java strings are their own modified UTF-8 bytes: it keeps no
// state, so any number of threads may call through it.
const char* JNICALL StringChars(JNIEnv*, jstring string, jboolean*) {
  return reinterpret_cast<const char*>(string);
}
void JNICALL ReleaseStringChars(JNIEnv*, jstring, const char*) {}

// Half the threads set the name, half read it; every name is long enough to
// live on the heap, so two unguarded replacements would free one buffer twice.
TEST(Stress, ApplicationNameIsSetAndReadOnManyThreads) {
  JNINativeInterface_ table{};
  table.GetStringUTFChars = StringChars;
  table.ReleaseStringUTFChars = ReleaseStringChars;
  JNIEnv env{};
  env.functions = &table;
  std::vector<std::string> names;
  for (int t = 0; t < kThreads; ++t) {
    names.push_back("application name " + std::to_string(t) + std::string(16 * t, '.'));
  }

  const std::vector<std::string> failures =
      RunTogether(kThreads, [&env, &names](int t) -> std::string {
        for (int round = 0; round < kNameRounds; ++round) {
          if (t % 2 == 0) {
            const std::string& name = names[static_cast<std::size_t>(t + round) % names.size()];
            jstring string = reinterpret_cast<jstring>(const_cast<char*>(name.c_str()));
            if (Java_com_quon_vop_Runtime_iSetApplicationName(&env, nullptr, string) != 0) {
              return "status";
            }
          } else {
            const std::string name(jni::ApplicationName());
            if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
              return "read " + name;
            }
          }
        }
        return "";
      });
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], "") << "thread " << t;
  EXPECT_NE(std::find(names.begin(), names.end(), std::string(jni::ApplicationName())),
            names.end());
}

// Lookups walk the loaded objects while another thread keeps loading and
// unloading one, in turn an object without texts and a language module
// (which has texts and an entry "ModuleInit" of its own): the walk must never
// read what the loader has freed nor call into an object that is gone. A
// number nobody has is never found; the module's number is found with its
// text while the module is there, and not otherwise.
TEST(Stress, LookupsWhileAnotherThreadLoadsAndUnloads) {
  constexpr int kLookupThreads = 3;
  // Under the user-mode emulator each load costs a hundred times more, and
  // the emulator's threads interleave no more finely for it: a tenth.
  const char* emulated = std::getenv("ORV_EMULATED");
  const bool underEmulator = emulated != nullptr && std::string(emulated) == "1";
  const int loadCycles = underEmulator ? LOAD_UNLOAD_CYCLES / 10 : LOAD_UNLOAD_CYCLES;
  std::atomic<bool> loading{true};
  std::vector<int> lookups(kLookupThreads, 0);
  // Thread 0 loads and unloads; the others look up.
  const std::vector<std::string> failures =
      RunTogether(kLookupThreads + 1, [&loading, &lookups, loadCycles](int t) -> std::string {
        if (t == 0) {
          std::string loaderFailure;
          for (int cycle = 0; cycle < loadCycles && loaderFailure.empty(); ++cycle) {
            void* handle =
                ::dlopen(cycle % 2 == 0 ? PLAIN_MODULE : LANGUAGE_MODULE, RTLD_NOW | RTLD_LOCAL);
            if (handle == nullptr) {
              loaderFailure = ::dlerror();
            } else if (::dlclose(handle) != 0) {
              loaderFailure = "dlclose";
            }
          }
          loading.store(false);
          return loaderFailure;
        }
        do {
          orv::StringBase<char> untouched("kept");
          if (orv::GetMessageText(untouched, 3999) || untouched != "kept") return "3999";
          orv::StringBase<char> text("kept");
          if (orv::GetMessageText(text, 60001)) {
            if (text != "from the second module") return "60001: " + text;
          } else if (text != "kept") {
            return "60001 changed";
          }
          ++lookups[t - 1];
        } while (loading.load());
        return "";
      });
  EXPECT_EQ(failures[0], "") << "the loading thread";
  for (int t = 0; t < kLookupThreads; ++t) {
    EXPECT_EQ(failures[t + 1], "") << "thread " << t;
    EXPECT_GT(lookups[t], 0) << "thread " << t;
  }
}

}  // namespace
