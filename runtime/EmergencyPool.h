// runtime/EmergencyPool.h - returns the C++ runtime's emergency exception
// pool to the heap when the library unloads.
#ifndef RUNTIME_EMERGENCYPOOL_H
#define RUNTIME_EMERGENCYPOOL_H

namespace runtime {

/// The C++ runtime linked into the library sets aside a pool (72,704 bytes
/// on x86-64, about 19,000 on i386) at load, from which it allocates
/// exceptions when the heap is exhausted, and never frees it: without this,
/// every load and unload of the library would leak the pool. One static object of this
/// class, constructed before the library's other objects and so destroyed
/// after them, frees the pool through the runtime's own hook once nothing of
/// the library can throw any more. Where the library uses the system's
/// runtime (its system flavour, and the sanitizer builds) the pool is the
/// process's and stays.
class EmergencyPool {
 public:
  EmergencyPool() = default;
  EmergencyPool(const EmergencyPool&) = delete;
  EmergencyPool& operator=(const EmergencyPool&) = delete;
  ~EmergencyPool();
};

}  // namespace runtime

#endif
