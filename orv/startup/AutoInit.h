// orv/startup/AutoInit.h - automatic initialisers of process-wide services.
//
// A service is never a plain static object. It declares one static
// AutoInit<T> registrar; the registrar puts a second AutoInit<T> into the
// process-wide registry, and StartUp::InitAll / ExitAll (module start and
// stop) create the instances in registration order and destroy them in the
// reverse order.
//
// A service type T may provide two functions that AutoInit<T> finds by
// argument-dependent lookup:
//   void AutoInitStarted(T* instance);   // publish the new instance
//   void AutoInitStopping(T* instance);  // unpublish it before it is deleted
// A service without them is only created and destroyed.
//
// Threads: nothing here takes a lock. Registration and the InitAll / ExitAll
// walks run inside the loader's serialised static initialisation and
// finalisation; called at other times they must not overlap with each other,
// with a registration or with RegistryExists / RegisteredCount, and the
// caller sees to that. A hook runs on the thread of the walk.
#ifndef ORV_STARTUP_AUTOINIT_H
#define ORV_STARTUP_AUTOINIT_H

#include <cstddef>
#include <memory>

#include "orv/Export.h"

namespace orv {

/// Defaults for services that publish nothing; a service's own overloads
/// (non-templates) are preferred.
template <class T>
void AutoInitStarted(T*) {}
template <class T>
void AutoInitStopping(T*) {}

/// One entry of the registry.
class ORV_API AutoInitBase {
 public:
  virtual ~AutoInitBase();
  /// Creates the service instance if this initialiser holds none.
  virtual void Init() = 0;
  /// Destroys the instance this initialiser holds, if any, and forgets it.
  virtual void Exit() = 0;

  /// Appends to the registry (creating it first) and takes ownership; an
  /// initialiser that the registry cannot take for want of memory is deleted
  /// before std::bad_alloc passes on. Registering while InitAll walks the
  /// registry is outside the contract.
  static void Register(AutoInitBase* initialiser);

  /// Introspection for tests and diagnostics: whether the registry exists and
  /// how many initialisers it holds.
  static bool RegistryExists() noexcept;
  static std::size_t RegisteredCount() noexcept;

 protected:
  AutoInitBase() = default;
  AutoInitBase(const AutoInitBase&) = delete;
  AutoInitBase& operator=(const AutoInitBase&) = delete;
};

/// The automatic initialiser of the service T.
template <class T>
class AutoInit final : public AutoInitBase {
  struct Registered {};

 public:
  /// The static registrar: holds nothing itself and registers a fresh
  /// initialiser whose Init and Exit are the ones that run.
  AutoInit() { Register(std::make_unique<AutoInit>(Registered{}).release()); }
  /// The registered initialiser, made by the registrar (the tag type is
  /// private, so nothing else names this constructor).
  explicit AutoInit(Registered) {}
  /// Creates nothing. Neither a registrar nor an initialiser that ExitAll
  /// deletes holds an instance then (ExitAll runs Exit first).
  ~AutoInit() override = default;

  /// Tests only this initialiser's own pointer: an instance that the
  /// service's accessor created on first use is replaced by a fresh one.
  void Init() override {
    if (instance_ != nullptr) return;
    instance_ = std::make_unique<T>();
    AutoInitStarted(instance_.get());
  }

  /// Forgets the instance before its Stopping hook runs, then destroys it.
  void Exit() override {
    if (instance_ == nullptr) return;
    const std::unique_ptr<T> instance = std::move(instance_);
    AutoInitStopping(instance.get());
  }

  /// The instance this initialiser holds, or null.
  T* GetInstance() const noexcept { return instance_.get(); }

 private:
  std::unique_ptr<T> instance_;
};

}  // namespace orv

#endif
