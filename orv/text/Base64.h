// orv/text/Base64.h - decoding of Base64 text (RFC 4648, section 4).
#ifndef ORV_TEXT_BASE64_H
#define ORV_TEXT_BASE64_H

#include <cstddef>

#include "orv/Export.h"
#include "orv/text/StringBase.h"

namespace orv {

/// The Base64 codec: the standard alphabet with "=" padding, decoding only.
/// Decode reads one process-wide alphabet string, built once on the first
/// call (thread-safe) and destroyed when the library unloads; it changes
/// nothing else, so Decode may run on several threads at once.
class ORV_API Base64 {
 public:
  /// Decodes `text` into `out`, leniently:
  /// - every character outside the alphabet ("=", line breaks, blanks,
  ///   bytes above 127, ...) counts as the value 0 and is not rejected;
  /// - a text whose length is not a multiple of 4 decodes to nothing;
  /// - the decoded length is 3 bytes per group of four characters, less the
  ///   number of characters from the first "=" (wherever it stands) to the
  ///   end of the text, but never below 0.
  ///     ""          => 0
  ///     "Zg=="      => 1  ("f")
  ///     "Zm8="      => 2  ("fo")
  ///     "Zm9v"      => 3  ("foo")
  ///     "Zm9"       => 0  (length not a multiple of 4)
  ///     "Zg==Zg=="  => 0  (6 bytes less the 6 characters from the first "=")
  ///     "===="      => 0
  /// The first `outSize` bytes of `out` are zeroed, then the first
  /// min(result, outSize) decoded bytes are stored; `out` may be null when
  /// `outSize` is 0. Returns the full decoded length, which may exceed
  /// `outSize`. Throws std::bad_alloc: if the text cannot be copied, `out` is
  /// untouched; if the work buffer cannot be had, `out` is all zero.
  static std::size_t Decode(const StringBase<char>& text, unsigned char* out,
                            std::size_t outSize);
};

}  // namespace orv

#endif
