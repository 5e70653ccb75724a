// orv/text/internal/CompactBase.h - computes the origin of compact times
// on first use.
#ifndef ORV_TEXT_INTERNAL_COMPACTBASE_H
#define ORV_TEXT_INTERNAL_COMPACTBASE_H

#include <cstdint>

namespace orv {
namespace internal {

/// compactBase, computed first if it has not been: timegm of 2000-01-01
/// 00:00:00, asked once (thread-safe) and kept in compactBase. Every use of
/// the origin in the library goes through here, so none sees it before it
/// is computed.
std::uint32_t CompactBase() noexcept;

}  // namespace internal
}  // namespace orv

#endif
