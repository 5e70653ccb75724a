// orv/error/FormatMessage.cpp - filling the placeholders "%1" to "%9" of a text.
#include "orv/error/FormatMessage.h"

#include <utility>

namespace orv {

void FormatMessage(StringBase<char>& out, const char* format, const char* const* args,
                   std::size_t count) {
  // Work on a copy: `format` or an argument may point into `out`, and a
  // failed allocation must leave `out` as it was.
  StringOld result(format);
  char placeholder[3] = {'%', '0', '\0'};
  for (std::size_t n = 1; n <= 9; ++n) {
    placeholder[1] = static_cast<char>('0' + n);
    std::size_t at = result.find(placeholder, 0, 2);
    if (at == std::string::npos) break;  // higher placeholders stay as they are
    if (args == nullptr || n > count) continue;  // not passed: left standing
    const char* value = args[n - 1] != nullptr ? args[n - 1] : "";
    const std::size_t valueLength = std::char_traits<char>::length(value);
    // Each match is replaced once; the search goes on after the inserted
    // value, so a value holding "%n" itself is never filled again.
    while (at != std::string::npos) {
      result.replace(at, 2, value, valueLength);
      at = result.find(placeholder, at + valueLength, 2);
    }
  }
  out.swap(result);
}

}  // namespace orv
