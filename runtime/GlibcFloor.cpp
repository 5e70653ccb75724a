// runtime/GlibcFloor.cpp - keeps the 64-bit libraries (x86-64 and arm64)
// loadable on C libraries back to glibc 2.17, the first for arm64.
//
// The library is built on a current C library, whose headers and libc.so.6
// bind every call to the newest version of each function. For most functions
// that is a version from 2.17 or before; the ones below, used by the library
// itself or by the statically linked C++ runtime, moved or appeared later:
//
//   dlopen dlsym dlclose dlerror dladdr dladdr1 dlinfo   moved from libdl.so.2
//                                                        into libc.so.6 (2.34)
//   pthread_once                                         moved from libpthread (2.34)
//   stat64 fstat64 lstat64 fstatat64                     new entry points (2.33)
//   __libc_single_threaded                               new variable (2.32)
//
// Each gets a private definition here, which the linker prefers over the C
// library's, and which reaches a version that glibc 2.17 already had. Nothing
// here is exported (hidden visibility, and the export map keeps everything
// else local). The random device of the C++ runtime, which asks for
// arc4random (2.36) and getentropy (2.25), is not used by the library and is
// kept out by linking with --gc-sections.
//
// The 32-bit library needs no such help: its 64-bit time_t functions came
// with glibc 2.34, which is therefore its floor, and nothing it uses is newer.
//
// Only built where the C++ runtime is linked in (the release builds); the
// sanitizer builds use the system's runtime and the current C library.
#include <dlfcn.h>
#include <linux/futex.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <type_traits>

// The versions glibc 2.17 gave these functions differ by architecture: x86-64
// has had them since its first glibc (2.2.5; dladdr1 and dlinfo 2.3.3), arm64
// since 2.17. The stat family takes the structure version of the kernel's
// struct stat: 1 on x86-64, 0 on arm64 (the generic layout).
#if defined(__x86_64__)
#define ORV_LOADER_VERSION "GLIBC_2.2.5"
#define ORV_LOADER_EXTRA_VERSION "GLIBC_2.3.3"
#define ORV_STAT_VERSION 1
#elif defined(__aarch64__)
#define ORV_LOADER_VERSION "GLIBC_2.17"
#define ORV_LOADER_EXTRA_VERSION "GLIBC_2.17"
#define ORV_STAT_VERSION 0
#else
#error "GlibcFloor.cpp serves the 64-bit libraries (x86-64, arm64) only"
#endif

#define ORV_HIDDEN __attribute__((visibility("hidden")))

// --- The loader functions, at the version they had in libdl.so.2 ----------
//
// glibc 2.34 moved them into libc.so.6 and kept the old versions there as
// aliases, so both kinds of C library answer the old version: a current one
// from libc.so.6, an older one from libdl.so.2. The library does not list
// libdl.so.2 as a dependency (on current systems it is an empty stub); before
// 2.34 the functions come from the libdl.so.2 that the process has loaded,
// which a JVM always has (its launcher and libjvm.so need it), as has every
// program that loads shared objects itself.
extern "C" {
void* OrvDlopen(const char* file, int mode);
void* OrvDlsym(void* handle, const char* name);
int OrvDlclose(void* handle);
char* OrvDlerror();
int OrvDladdr(const void* address, Dl_info* info);
int OrvDladdr1(const void* address, Dl_info* info, void** extra, int flags);
int OrvDlinfo(void* handle, int request, void* argument);
}
__asm__(".symver OrvDlopen, dlopen@" ORV_LOADER_VERSION);
__asm__(".symver OrvDlsym, dlsym@" ORV_LOADER_VERSION);
__asm__(".symver OrvDlclose, dlclose@" ORV_LOADER_VERSION);
__asm__(".symver OrvDlerror, dlerror@" ORV_LOADER_VERSION);
__asm__(".symver OrvDladdr, dladdr@" ORV_LOADER_VERSION);
__asm__(".symver OrvDladdr1, dladdr1@" ORV_LOADER_EXTRA_VERSION);
__asm__(".symver OrvDlinfo, dlinfo@" ORV_LOADER_EXTRA_VERSION);

// The loader learns who called from the return address: these forwarders live
// in the library, so the library stays the caller (for $ORIGIN in names and
// for dlsym's RTLD_NEXT and RTLD_DEFAULT).
extern "C" {
ORV_HIDDEN void* dlopen(const char* file, int mode) noexcept { return OrvDlopen(file, mode); }
ORV_HIDDEN void* dlsym(void* handle, const char* name) noexcept { return OrvDlsym(handle, name); }
ORV_HIDDEN int dlclose(void* handle) noexcept { return OrvDlclose(handle); }
ORV_HIDDEN char* dlerror() noexcept { return OrvDlerror(); }
ORV_HIDDEN int dladdr(const void* address, Dl_info* info) noexcept {
  return OrvDladdr(address, info);
}
ORV_HIDDEN int dladdr1(const void* address, Dl_info* info, void** extra, int flags) noexcept {
  return OrvDladdr1(address, info, extra, flags);
}
ORV_HIDDEN int dlinfo(void* handle, int request, void* argument) noexcept {
  return OrvDlinfo(handle, request, argument);
}
}

// --- File status through the entry points that predate 2.33 -----------------
//
// Until 2.33 the stat functions were inline wrappers around __xstat64 and its
// siblings, which take a structure version first (see ORV_STAT_VERSION);
// current C libraries still provide them under their original version.
namespace {
constexpr int StatVersion = ORV_STAT_VERSION;  // the kernel's struct stat
}

extern "C" {
int __xstat64(int version, const char* path, struct stat64* status);
int __lxstat64(int version, const char* path, struct stat64* status);
int __fxstat64(int version, int descriptor, struct stat64* status);
int __fxstatat64(int version, int folder, const char* path, struct stat64* status, int flags);

ORV_HIDDEN int stat64(const char* path, struct stat64* status) noexcept {
  return __xstat64(StatVersion, path, status);
}
ORV_HIDDEN int lstat64(const char* path, struct stat64* status) noexcept {
  return __lxstat64(StatVersion, path, status);
}
ORV_HIDDEN int fstat64(int descriptor, struct stat64* status) noexcept {
  return __fxstat64(StatVersion, descriptor, status);
}
ORV_HIDDEN int fstatat64(int folder, const char* path, struct stat64* status, int flags) noexcept {
  return __fxstatat64(StatVersion, folder, path, status, flags);
}
}

// --- The C++ runtime's view of threads ---------------------------------------
//
// The runtime reads __libc_single_threaded to skip atomic reference counts and
// locks while a process has one thread. The library's copy always says "more
// than one thread": the runtime then always takes the atomic, locked path,
// which is correct whatever the process does, and only gives up a shortcut
// that a JVM (always many threads) never takes anyway. Nothing writes it, so
// the runtime can never believe it is alone while it is not.
extern "C" {
ORV_HIDDEN char __libc_single_threaded = 0;
}

// --- pthread_once without libpthread -----------------------------------------
//
// Before 2.34 pthread_once lived only in libpthread.so.0, which a process that
// starts no threads need not load. The C++ runtime (locale set-up,
// std::call_once) calls it on once-controls that only this library sees, so a
// private implementation serves: the control moves from "not run" to
// "running" (a second caller marks "waited for" and sleeps on a futex) to
// "done". If the routine throws, or its thread is cancelled (an unwind too),
// the control goes back to "not run" and the waiters wake to try again, as
// POSIX asks.
namespace {

enum OnceState : int { NotRun = 0, Running = 1, WaitedFor = 2, Done = 3 };

void WaitWhile(int* control, int state) {
  syscall(SYS_futex, control, FUTEX_WAIT_PRIVATE, state, nullptr, nullptr, 0);
}

void WakeAll(int* control) {
  syscall(SYS_futex, control, FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

// Publishes the outcome of a run when it ends, by return or by unwinding.
class OnceRun {
 public:
  explicit OnceRun(int* control) : control_(control) {}
  OnceRun(const OnceRun&) = delete;
  OnceRun& operator=(const OnceRun&) = delete;
  ~OnceRun() {
    const int previous =
        __atomic_exchange_n(control_, finished_ ? Done : NotRun, __ATOMIC_RELEASE);
    if (previous == WaitedFor) WakeAll(control_);
  }
  void Finish() { finished_ = true; }

 private:
  int* control_;
  bool finished_ = false;
};

}  // namespace

extern "C" ORV_HIDDEN int pthread_once(pthread_once_t* once, void (*routine)()) {
  static_assert(std::is_same_v<pthread_once_t, int>, "a once-control is an int");
  int* control = once;
  for (;;) {
    int state = __atomic_load_n(control, __ATOMIC_ACQUIRE);
    if (state == Done) return 0;
    if (state == NotRun) {
      if (!__atomic_compare_exchange_n(control, &state, Running, false, __ATOMIC_ACQUIRE,
                                       __ATOMIC_ACQUIRE)) {
        continue;
      }
      OnceRun run(control);
      routine();
      run.Finish();
      return 0;
    }
    if (state == Running &&
        !__atomic_compare_exchange_n(control, &state, WaitedFor, false, __ATOMIC_ACQUIRE,
                                     __ATOMIC_ACQUIRE)) {
      continue;
    }
    WaitWhile(control, WaitedFor);
  }
}
