// fuzz/FormatMessageFuzz.cpp - orv::FormatMessage with any format and arguments.
//
// Input: one byte is the separator, one byte marks arguments 1 to 8 as null
// pointers, one byte asks for a null format; the rest is cut at the
// separator into the format and up to nine arguments, passed through the
// counted list so that the number of arguments varies. Texts end at their
// first zero byte, as the arguments are C strings.
//
// Properties (the passes run for n = 1, 2, ... and stop at the first n whose
// "%n" is missing from the text so far):
// - a format without "%1" (in particular without any "%") comes back as it is;
// - when every argument is non-empty and holds no "%" and no digit 1 to 9,
//   no pass can make or break a placeholder, so: with k the first n whose "%n" the format lacks,
//   every "%n" with n < k whose argument was passed is gone, and every other
//   "%n" occurs exactly as often as in the format;
// - the result equals a plain model of the passes;
// - the output may be the format's own storage, with the same result.
#include "orv/error/FormatMessage.h"

#include <cstring>

#include "fuzz/FuzzCheck.h"

namespace {

std::size_t Count(const std::string& text, const std::string& pattern) {
  std::size_t count = 0;
  for (std::size_t at = text.find(pattern); at != std::string::npos;
       at = text.find(pattern, at + 1)) {
    ++count;
  }
  return count;
}

std::string Placeholder(std::size_t n) { return std::string("%") + static_cast<char>('0' + n); }

// The passes on a std::string: each match of "%n" is replaced and the search
// goes on behind the inserted value; a "%n" without a passed argument stays.
// Each pass builds the next text rather than replacing in place: arguments
// that hold placeholders can grow the text to hundreds of megabytes, and
// replacing in place would take hours over it.
std::string Model(const char* format, const char* const* args, std::size_t count) {
  if (format == nullptr) return std::string();
  std::string out(format);
  std::string next;
  for (std::size_t n = 1; n <= 9; ++n) {
    const std::string p = Placeholder(n);
    std::size_t at = out.find(p);
    if (at == std::string::npos) break;
    if (n > count) continue;
    const std::string value = args[n - 1] != nullptr ? args[n - 1] : "";
    next.clear();
    std::size_t behind = 0;  // where the text after the last match begins
    for (; at != std::string::npos; at = out.find(p, behind)) {
      next.append(out, behind, at - behind);
      next += value;
      behind = at + p.size();
    }
    next.append(out, behind, std::string::npos);
    out.swap(next);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const char separator = static_cast<char>(input.Byte());
  const std::uint8_t nullMask = input.Byte();
  const bool nullFormat = (input.Byte() & 0x80) != 0;
  std::vector<std::string> pieces = fuzz::Split(input.Rest(), separator);
  if (pieces.size() > 10) pieces.resize(10);

  const std::string format(pieces[0].c_str());  // a C string ends at its first zero
  const std::size_t count = pieces.size() - 1;
  const char* args[9] = {};
  bool argsMayMakePlaceholders = false;
  for (std::size_t i = 0; i < count; ++i) {
    const bool isNull = i < 8 && ((nullMask >> i) & 1) != 0;
    args[i] = isNull ? nullptr : pieces[i + 1].c_str();
    // An empty value joins the texts on both sides of its placeholder, so a
    // "%" in front and a digit behind become a new placeholder.
    if (args[i] == nullptr || *args[i] == '\0' ||
        std::strpbrk(args[i], "%123456789") != nullptr) {
      argsMayMakePlaceholders = true;
    }
  }
  const char* formatArg = nullFormat ? nullptr : format.c_str();

  orv::StringBase<char> out("junk that must be replaced");
  orv::FormatMessage(out, formatArg, count != 0 ? args : nullptr, count);

  if (nullFormat) {
    FUZZ_CHECK(out.empty());
    return 0;
  }
  if (format.find("%1") == std::string::npos) FUZZ_CHECK(out == format);

  if (!argsMayMakePlaceholders) {
    std::size_t firstMissing = 10;
    for (std::size_t n = 1; n <= 9 && firstMissing == 10; ++n) {
      if (format.find(Placeholder(n)) == std::string::npos) firstMissing = n;
    }
    for (std::size_t n = 1; n <= 9; ++n) {
      const std::string p = Placeholder(n);
      if (n < firstMissing && n <= count) {
        FUZZ_CHECK(Count(out, p) == 0);
      } else {
        FUZZ_CHECK(Count(out, p) == Count(format, p));
      }
    }
  }

  FUZZ_CHECK(out == Model(formatArg, args, count));

  // The format may live in the output itself.
  orv::StringBase<char> inPlace(format);
  orv::FormatMessage(inPlace, inPlace.c_str(), args, count);
  FUZZ_CHECK(inPlace == out);
  return 0;
}
