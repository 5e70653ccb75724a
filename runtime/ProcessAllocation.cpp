// runtime/ProcessAllocation.cpp - the library allocates with the process's
// operator new and delete.
//
// The library carries its own C++ runtime, and with it its own definitions of
// the global allocation functions. Strings and other objects cross the API
// by value, though: a string the library filled is grown or freed by the
// caller, and a caller's string is grown or freed inside the library. Both
// sides must meet one allocator, the process's: the one that the program
// defines (a replaced operator new, a sanitizer's) or else the one of the
// system's C++ runtime. So the library defines every replaceable allocation
// function itself and forwards each to the process's function of the same
// name, found once by the dynamic loader's default search (the library's own
// definitions are local, so the search never finds them). Where the process
// has none (a C program, a JVM without the system's runtime), the library
// falls back to the default behaviour over malloc and free, as the runtime
// it carries would; any form the process lacks is built on the basic forms,
// as the standard defines them.
//
// Nothing here is exported: the export map keeps these definitions local.
// Only built where the C++ runtime is linked in (the release builds); the
// sanitizer builds use the system's runtime, whose functions the process
// already shares.
#include <dlfcn.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

#if __SIZEOF_SIZE_T__ == 8
#define ORV_SIZE_T "m"  // mangled unsigned long
#else
#define ORV_SIZE_T "j"  // mangled unsigned int
#endif

enum Form : int {
  New,
  NewArray,
  NewNothrow,
  NewArrayNothrow,
  NewAligned,
  NewArrayAligned,
  NewAlignedNothrow,
  NewArrayAlignedNothrow,
  Delete,
  DeleteArray,
  DeleteSized,
  DeleteArraySized,
  DeleteNothrow,
  DeleteArrayNothrow,
  DeleteAligned,
  DeleteArrayAligned,
  DeleteSizedAligned,
  DeleteArraySizedAligned,
  DeleteAlignedNothrow,
  DeleteArrayAlignedNothrow,
  FormCount
};

// The mangled names, in the order of Form.
constexpr const char* MangledNames[FormCount] = {
    "_Znw" ORV_SIZE_T,
    "_Zna" ORV_SIZE_T,
    "_Znw" ORV_SIZE_T "RKSt9nothrow_t",
    "_Zna" ORV_SIZE_T "RKSt9nothrow_t",
    "_Znw" ORV_SIZE_T "St11align_val_t",
    "_Zna" ORV_SIZE_T "St11align_val_t",
    "_Znw" ORV_SIZE_T "St11align_val_tRKSt9nothrow_t",
    "_Zna" ORV_SIZE_T "St11align_val_tRKSt9nothrow_t",
    "_ZdlPv",
    "_ZdaPv",
    "_ZdlPv" ORV_SIZE_T,
    "_ZdaPv" ORV_SIZE_T,
    "_ZdlPvRKSt9nothrow_t",
    "_ZdaPvRKSt9nothrow_t",
    "_ZdlPvSt11align_val_t",
    "_ZdaPvSt11align_val_t",
    "_ZdlPv" ORV_SIZE_T "St11align_val_t",
    "_ZdaPv" ORV_SIZE_T "St11align_val_t",
    "_ZdlPvSt11align_val_tRKSt9nothrow_t",
    "_ZdaPvSt11align_val_tRKSt9nothrow_t",
};

// The process's allocation functions, looked up together at the first
// allocation (during the library's load, inside the loader's serialised
// start-up) and kept for the library's life, so that every block meets the
// same pair of functions. dlsym allocates with malloc only.
struct ProcessFunctions {
  void* functions[FormCount];

  ProcessFunctions() {
    for (int form = 0; form < FormCount; ++form) {
      functions[form] = ::dlsym(RTLD_DEFAULT, MangledNames[form]);
    }
  }
};

template <typename Function>
Function Process(Form form) {
  static const ProcessFunctions process;
  return reinterpret_cast<Function>(process.functions[form]);
}

using NewFunction = void* (*)(std::size_t);
using NewNothrowFunction = void* (*)(std::size_t, const std::nothrow_t&) noexcept;
using NewAlignedFunction = void* (*)(std::size_t, std::align_val_t);
using NewAlignedNothrowFunction = void* (*)(std::size_t, std::align_val_t,
                                            const std::nothrow_t&) noexcept;
using DeleteFunction = void (*)(void*) noexcept;
using DeleteSizedFunction = void (*)(void*, std::size_t) noexcept;
using DeleteNothrowFunction = void (*)(void*, const std::nothrow_t&) noexcept;
using DeleteAlignedFunction = void (*)(void*, std::align_val_t) noexcept;
using DeleteSizedAlignedFunction = void (*)(void*, std::size_t, std::align_val_t) noexcept;
using DeleteAlignedNothrowFunction = void (*)(void*, std::align_val_t,
                                              const std::nothrow_t&) noexcept;

// The default behaviour: retry through the new-handler, else bad_alloc.
void* AllocateOrThrow(std::size_t size, std::size_t alignment) {
  if (size == 0) size = 1;
  if (alignment < sizeof(void*)) alignment = sizeof(void*);
  for (;;) {
    void* block = nullptr;
    if (alignment == sizeof(void*) ? (block = std::malloc(size)) != nullptr
                                   : posix_memalign(&block, alignment, size) == 0) {
      return block;
    }
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

}  // namespace

void* operator new(std::size_t size) {
  if (auto process = Process<NewFunction>(New)) return process(size);
  return AllocateOrThrow(size, sizeof(void*));
}

void* operator new[](std::size_t size) {
  if (auto process = Process<NewFunction>(NewArray)) return process(size);
  return ::operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t& tag) noexcept {
  if (auto process = Process<NewNothrowFunction>(NewNothrow)) return process(size, tag);
  try {
    return ::operator new(size);
  } catch (...) {
    return nullptr;
  }
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  if (auto process = Process<NewNothrowFunction>(NewArrayNothrow)) return process(size, tag);
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

void* operator new(std::size_t size, std::align_val_t alignment) {
  if (auto process = Process<NewAlignedFunction>(NewAligned)) return process(size, alignment);
  return AllocateOrThrow(size, static_cast<std::size_t>(alignment));
}

void* operator new[](std::size_t size, std::align_val_t alignment) {
  if (auto process = Process<NewAlignedFunction>(NewArrayAligned)) {
    return process(size, alignment);
  }
  return ::operator new(size, alignment);
}

void* operator new(std::size_t size, std::align_val_t alignment,
                              const std::nothrow_t& tag) noexcept {
  if (auto process = Process<NewAlignedNothrowFunction>(NewAlignedNothrow)) {
    return process(size, alignment, tag);
  }
  try {
    return ::operator new(size, alignment);
  } catch (...) {
    return nullptr;
  }
}

void* operator new[](std::size_t size, std::align_val_t alignment,
                                const std::nothrow_t& tag) noexcept {
  if (auto process = Process<NewAlignedNothrowFunction>(NewArrayAlignedNothrow)) {
    return process(size, alignment, tag);
  }
  try {
    return ::operator new[](size, alignment);
  } catch (...) {
    return nullptr;
  }
}

void operator delete(void* block) noexcept {
  if (auto process = Process<DeleteFunction>(Delete)) return process(block);
  std::free(block);
}

void operator delete[](void* block) noexcept {
  if (auto process = Process<DeleteFunction>(DeleteArray)) return process(block);
  ::operator delete(block);
}

void operator delete(void* block, std::size_t size) noexcept {
  if (auto process = Process<DeleteSizedFunction>(DeleteSized)) return process(block, size);
  ::operator delete(block);
}

void operator delete[](void* block, std::size_t size) noexcept {
  if (auto process = Process<DeleteSizedFunction>(DeleteArraySized)) {
    return process(block, size);
  }
  ::operator delete[](block);
}

void operator delete(void* block, const std::nothrow_t& tag) noexcept {
  if (auto process = Process<DeleteNothrowFunction>(DeleteNothrow)) return process(block, tag);
  ::operator delete(block);
}

void operator delete[](void* block, const std::nothrow_t& tag) noexcept {
  if (auto process = Process<DeleteNothrowFunction>(DeleteArrayNothrow)) {
    return process(block, tag);
  }
  ::operator delete[](block);
}

void operator delete(void* block, std::align_val_t alignment) noexcept {
  if (auto process = Process<DeleteAlignedFunction>(DeleteAligned)) {
    return process(block, alignment);
  }
  std::free(block);
}

void operator delete[](void* block, std::align_val_t alignment) noexcept {
  if (auto process = Process<DeleteAlignedFunction>(DeleteArrayAligned)) {
    return process(block, alignment);
  }
  ::operator delete(block, alignment);
}

void operator delete(void* block, std::size_t size,
                                std::align_val_t alignment) noexcept {
  if (auto process = Process<DeleteSizedAlignedFunction>(DeleteSizedAligned)) {
    return process(block, size, alignment);
  }
  ::operator delete(block, alignment);
}

void operator delete[](void* block, std::size_t size,
                                  std::align_val_t alignment) noexcept {
  if (auto process = Process<DeleteSizedAlignedFunction>(DeleteArraySizedAligned)) {
    return process(block, size, alignment);
  }
  ::operator delete[](block, alignment);
}

void operator delete(void* block, std::align_val_t alignment,
                                const std::nothrow_t& tag) noexcept {
  if (auto process = Process<DeleteAlignedNothrowFunction>(DeleteAlignedNothrow)) {
    return process(block, alignment, tag);
  }
  ::operator delete(block, alignment);
}

void operator delete[](void* block, std::align_val_t alignment,
                                  const std::nothrow_t& tag) noexcept {
  if (auto process = Process<DeleteAlignedNothrowFunction>(DeleteArrayAlignedNothrow)) {
    return process(block, alignment, tag);
  }
  ::operator delete[](block, alignment);
}
