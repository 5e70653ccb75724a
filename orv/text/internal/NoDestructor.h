// orv/text/internal/NoDestructor.h - a process-wide object that is built on
// first use and never destroyed.
//
// Not part of the public API: neither exported nor installed.
#ifndef ORV_TEXT_INTERNAL_NODESTRUCTOR_H
#define ORV_TEXT_INTERNAL_NODESTRUCTOR_H

#include <new>
#include <utility>

namespace orv {
namespace internal {

/// Holds a T, built in place from the constructor's arguments and never
/// destroyed: not at exit, and not when the library is unloaded. For a
/// function-local static that static objects of other files, and their
/// destructors, may still use after this file's own statics are gone:
///   const StringBase<char>& Separators() {
///     static const NoDestructor<StringBase<char>> separators("/");
///     return *separators;
///   }
/// A NoDestructor is itself trivially destructible, so no destructor is
/// registered to run at exit or at unload. Whatever T holds on the heap
/// stays there when the library is unloaded: hold a T that owns no heap
/// memory by then (a short string, an empty owner).
template <class T>
class NoDestructor {
 public:
  template <class... Args>
  explicit NoDestructor(Args&&... args) {
    new (storage_) T(std::forward<Args>(args)...);
  }
  NoDestructor(const NoDestructor&) = delete;
  NoDestructor& operator=(const NoDestructor&) = delete;

  T& operator*() noexcept { return *get(); }
  const T& operator*() const noexcept { return *get(); }
  T* operator->() noexcept { return get(); }
  const T* operator->() const noexcept { return get(); }
  T* get() noexcept { return std::launder(reinterpret_cast<T*>(storage_)); }
  const T* get() const noexcept { return std::launder(reinterpret_cast<const T*>(storage_)); }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace internal
}  // namespace orv

#endif
