// runtime/EmergencyPool.cpp - frees the linked-in runtime's exception pool.
#include "runtime/EmergencyPool.h"

#if ORV_PRIVATE_RUNTIME
namespace __gnu_cxx {
// The runtime's hook for tools that look for leaks at exit: frees the
// emergency pool. Declared in no header.
void __freeres() noexcept;
}  // namespace __gnu_cxx
#endif

runtime::EmergencyPool::~EmergencyPool() {
#if ORV_PRIVATE_RUNTIME
  __gnu_cxx::__freeres();
#endif
}
