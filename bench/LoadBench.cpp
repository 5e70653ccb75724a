// bench/LoadBench.cpp - loading and unloading the library, and the
// catalogue's walk over every loaded shared object.
#include <dlfcn.h>
#include <link.h>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "orv/error/MessageCatalogue.h"
#include "orv/text/StringBase.h"

namespace {

const std::string kModules = BENCH_MODULES_DIR;

// The flags a JVM loads a native library with, plus RTLD_DEEPBIND: the copy
// under test must bind to its own symbols, not to those of the library this
// program links, or its start-up would run the linked library's code.
constexpr int kLoadFlags = RTLD_LAZY | RTLD_LOCAL | RTLD_DEEPBIND;

void LoadUnload(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    void* handle = dlopen(path.c_str(), kLoadFlags);
    if (handle == nullptr) {
      state.SkipWithError(dlerror());
      break;
    }
    dlclose(handle);
  }
  // The measurement means nothing if the object stays mapped.
  if (void* still = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
    dlclose(still);
    state.SkipWithError("the object was not unloaded by dlclose");
  }
}

void BM_LoadUnloadLibrary(benchmark::State& state) {
  LoadUnload(state, kModules + "/load/libquonvop4j.so");
}
#if BENCH_SYSTEM_LIBRARY
// The library on the system's C++ runtime, where the build makes one.
void BM_LoadUnloadSystemLibrary(benchmark::State& state) {
  LoadUnload(state, kModules + "/load/system/libquonvop4j.so");
}
#endif
void BM_LoadUnloadEmpty(benchmark::State& state) {
  LoadUnload(state, kModules + "/bench_empty.so");
}
void BM_LoadUnloadStartupFloor(benchmark::State& state) {
  LoadUnload(state, kModules + "/bench_startup_floor.so");
}

void BM_LoadUnloadRuntimeFloor(benchmark::State& state) {
  LoadUnload(state, kModules + "/bench_runtime_floor.so");
}

BENCHMARK(BM_LoadUnloadLibrary)->Name("ours/LoadUnload")->Unit(benchmark::kMicrosecond);
#if BENCH_SYSTEM_LIBRARY
BENCHMARK(BM_LoadUnloadSystemLibrary)
    ->Name("ours/LoadUnload.system")
    ->Unit(benchmark::kMicrosecond);
#endif
BENCHMARK(BM_LoadUnloadEmpty)->Name("base/LoadUnload")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadUnloadStartupFloor)
    ->Name("base/LoadUnload.StartupFloor")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadUnloadRuntimeFloor)
    ->Name("base/LoadUnload.RuntimeFloor")
    ->Unit(benchmark::kMicrosecond);

// Keeps `count` extra objects loaded for one benchmark run.
class ExtraObjects {
 public:
  explicit ExtraObjects(int count) {
    for (int i = 0; i < count; ++i) {
      const std::string path = kModules + "/bench_extra_" + std::to_string(i) + ".so";
      if (void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) handles_.push_back(handle);
    }
  }
  ~ExtraObjects() {
    for (void* handle : handles_) dlclose(handle);
  }
  ExtraObjects(const ExtraObjects&) = delete;
  ExtraObjects& operator=(const ExtraObjects&) = delete;
  int Loaded() const { return static_cast<int>(handles_.size()); }

 private:
  std::vector<void*> handles_;
};

int LoadedObjectCount() {
  int count = 0;
  dl_iterate_phdr([](dl_phdr_info*, size_t, void* data) {
    ++*static_cast<int*>(data);
    return 0;
  }, &count);
  return count;
}

// A number nobody has a text for: the catalogue asks every loaded object
// that has texts to offer (here none), from the list it keeps while no
// object is loaded or unloaded.
constexpr unsigned int kUnregistered = 987654;

void Objects(benchmark::State& state, int extra) {
  state.counters["objects"] = LoadedObjectCount();
  state.counters["extra"] = extra;
}

void BM_LookupUnregistered(benchmark::State& state) {
  ExtraObjects extra(static_cast<int>(state.range(0)));
  orv::StringBase<char> out;
  for (auto _ : state) {
    benchmark::DoNotOptimize(orv::GetMessageText(out, kUnregistered));
  }
  Objects(state, extra.Loaded());
}

// The floor of asking every loaded object for a symbol: walk the loader's
// list, take a reference on each object by its name, look the symbol up,
// drop the reference.
void BM_LookupUnregisteredFloor(benchmark::State& state) {
  ExtraObjects extra(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    void* self = dlopen(nullptr, RTLD_NOW);
    link_map* map = nullptr;
    dlinfo(self, RTLD_DI_LINKMAP, &map);
    int found = 0;
    for (; map != nullptr; map = map->l_next) {
      void* handle = dlopen(map->l_name[0] != '\0' ? map->l_name : nullptr,
                            RTLD_LAZY | RTLD_NOLOAD);
      if (handle == nullptr) continue;
      if (dlsym(handle, "OrvLoadStringFromResource") != nullptr) ++found;
      dlclose(handle);
    }
    benchmark::DoNotOptimize(found);
  }
  Objects(state, extra.Loaded());
}

BENCHMARK(BM_LookupUnregistered)
    ->Name("ours/Catalogue.Unregistered")
    ->Arg(0)->Arg(8)->Arg(BENCH_EXTRA_OBJECTS)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupUnregisteredFloor)
    ->Name("base/Catalogue.Unregistered")
    ->Arg(0)->Arg(8)->Arg(BENCH_EXTRA_OBJECTS)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
