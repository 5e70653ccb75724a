// orv/error/FormatMessage.cpp - filling the placeholders "%1" to "%9" of a text.
#include "orv/error/FormatMessage.h"

#include <cstring>
#include <utility>

#include "orv/error/internal/FormatInto.h"

namespace orv {

void internal::FormatInto(std::string& out, std::string_view format, const char* const* args,
                          std::size_t count) {
  const std::size_t start = out.size();
  // The text the next pass works on: the format, until a pass has written
  // its result to the end of `out`; that result moves to `previous` only if
  // a later pass has something to replace in it.
  std::string_view current = format;
  bool currentInOut = false;
  std::string previous;
  char placeholderText[2] = {'%', '0'};
  const std::string_view placeholder(placeholderText, 2);
  for (std::size_t n = 1; n <= 9; ++n) {
    placeholderText[1] = static_cast<char>('0' + n);
    std::size_t at = current.find(placeholder);
    if (at == std::string_view::npos) break;  // higher placeholders stay as they are
    if (args == nullptr || n > count) continue;  // not passed: left standing
    if (currentInOut) {
      previous.assign(out, start, std::string::npos);
      out.resize(start);
      current = previous;
    }
    const char* value = args[n - 1] != nullptr ? args[n - 1] : "";
    const std::size_t valueLength = std::strlen(value);
    // One scan of the text so far, writing the next one: each match is
    // replaced once and the scan goes on behind it, so a value holding "%n"
    // itself is never filled again. Writing rather than replacing in place
    // keeps a text with many matches linear.
    std::size_t copied = 0;
    while (at != std::string_view::npos) {
      out.append(current.data() + copied, at - copied);
      out.append(value, valueLength);
      copied = at + 2;
      at = current.find(placeholder, copied);
    }
    out.append(current.data() + copied, current.size() - copied);
    current = std::string_view(out).substr(start);
    currentInOut = true;
  }
  if (!currentInOut) out.append(current.data(), current.size());
}

void FormatMessage(StringBase<char>& out, const char* format, const char* const* args,
                   std::size_t count) {
  // Built apart: `format` or an argument may point into `out`, and a failed
  // allocation must leave `out` as it was.
  StringOld result;
  internal::FormatInto(result, format != nullptr ? format : "", args, count);
  out.swap(result);
}

}  // namespace orv
