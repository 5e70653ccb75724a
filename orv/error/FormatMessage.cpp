// orv/error/FormatMessage.cpp - filling the placeholders "%1" to "%9" of a text.
#include "orv/error/FormatMessage.h"

#include <cstring>
#include <utility>

namespace orv {

void FormatMessage(StringBase<char>& out, const char* format, const char* const* args,
                   std::size_t count) {
  // Work on copies: `format` or an argument may point into `out`, and a
  // failed allocation must leave `out` as it was.
  StringOld result(format);
  StringOld next;
  char placeholder[3] = {'%', '0', '\0'};
  for (std::size_t n = 1; n <= 9; ++n) {
    placeholder[1] = static_cast<char>('0' + n);
    std::size_t at = result.find(placeholder, 0, 2);
    if (at == std::string::npos) break;  // higher placeholders stay as they are
    if (args == nullptr || n > count) continue;  // not passed: left standing
    const char* value = args[n - 1] != nullptr ? args[n - 1] : "";
    const std::size_t valueLength = std::strlen(value);
    // One scan of the text so far, building the next one: each match is
    // replaced once and the scan goes on behind it, so a value holding "%n"
    // itself is never filled again. Building rather than replacing in place
    // keeps a text with many matches linear.
    next.clear();
    std::size_t copied = 0;
    while (at != std::string::npos) {
      next.append(result, copied, at - copied);
      next.append(value, valueLength);
      copied = at + 2;
      at = result.find(placeholder, copied, 2);
    }
    next.append(result, copied, std::string::npos);
    result.swap(next);
  }
  out.swap(result);
}

}  // namespace orv
