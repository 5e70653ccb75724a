// orv/error/internal/ErrorLocationTable.h - what tests may ask of the error-location table.
//
// Not part of the public API: neither exported nor installed. Defined with
// the table in ErrorLocation.cpp.
#ifndef ORV_ERROR_INTERNAL_ERRORLOCATIONTABLE_H
#define ORV_ERROR_INTERNAL_ERRORLOCATIONTABLE_H

#include <cstddef>

namespace orv {
namespace internal {

/// Whether a thread-to-stack table is published. Safe on any thread.
bool ErrorLocationTableExists() noexcept;
/// Number of entries on the calling thread's stack (creating the table and
/// the stack on first use, as any use does).
std::size_t ErrorLocationDepth();

}  // namespace internal
}  // namespace orv

#endif
