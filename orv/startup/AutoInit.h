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
#ifndef ORV_STARTUP_AUTOINIT_H
#define ORV_STARTUP_AUTOINIT_H

#include <cstddef>

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

  /// Appends to the registry (creating it first) and takes ownership.
  /// Registering while InitAll walks the registry is outside the contract.
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
 public:
  /// The static registrar: holds nothing itself and registers a fresh
  /// initialiser whose Init and Exit are the ones that run.
  AutoInit() : instance_(nullptr) { Register(new AutoInit(Registered{})); }
  /// Neither creates nor destroys an instance.
  ~AutoInit() override = default;

  /// Tests only this initialiser's own pointer: an instance that the
  /// service's accessor created on first use is replaced by a fresh one.
  void Init() override {
    if (instance_ != nullptr) return;
    instance_ = new T();
    AutoInitStarted(instance_);
  }

  void Exit() override {
    if (instance_ == nullptr) return;
    T* instance = instance_;
    instance_ = nullptr;
    AutoInitStopping(instance);
    delete instance;
  }

  /// The instance this initialiser holds, or null.
  T* GetInstance() const noexcept { return instance_; }

 private:
  struct Registered {};
  explicit AutoInit(Registered) : instance_(nullptr) {}

  T* instance_;
};

}  // namespace orv

#endif
