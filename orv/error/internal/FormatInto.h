// orv/error/internal/FormatInto.h - placeholder formatting that appends to a
// string in place, for composing exception texts without a working copy.
//
// Not part of the public API: neither exported nor installed. Defined with
// FormatMessage in FormatMessage.cpp.
#ifndef ORV_ERROR_INTERNAL_FORMATINTO_H
#define ORV_ERROR_INTERNAL_FORMATINTO_H

#include <cstddef>
#include <string>
#include <string_view>

namespace orv {
namespace internal {

/// Appends to `out` what FormatMessage makes of `format` (all of it, zero
/// bytes included) and the `count` arguments in `args` (zero-terminated; a
/// null one is empty). Neither `format` nor an argument may lie in `out`.
/// What `out` held before stays. Throws std::bad_alloc; `out` then holds its
/// earlier contents and possibly part of the text after them.
void FormatInto(std::string& out, std::string_view format, const char* const* args,
                std::size_t count);

}  // namespace internal
}  // namespace orv

#endif
