// orv/file/Parsing.h - a small scanner for numbers and single characters in a text.
//
// The caller composes a grammar out of scanning steps, each continuing at the
// cursor that the previous one left, e.g. for a dotted version "1.2.3":
//   Parsing p(text);
//   unsigned major = p.ParseNumber(0, 0);
//   if (p.MatchChar(".", 0) == 1) minor = p.ParseNumber(0, 0);
// When a step does not fit, it throws an orv::Exception whose "%1" is the
// offending piece of the text:
//   2005 "value %1 out of range"        the digits read so far
//   2020 "decimal number expected: %1"  the text up to the next space or tab
//   2021 "number expected: %1"          the same
// After an exception the cursor stays where the failing step left it (behind
// the digits read, or at the offending character) and tokenStart at the
// beginning of the item.
//
// Blanks are space, tab, line feed and carriage return (the last two because
// SystemInfo::LineBreaksAreBlank answers true). The text is not copied: it
// belongs to the caller, must stay unchanged while the scanner is used and
// ends with a zero byte.
//
// Threads: a scanner is used by one thread at a time; scanners on different
// threads may read the same text at once.
#ifndef ORV_FILE_PARSING_H
#define ORV_FILE_PARSING_H

#include "orv/Export.h"
#include "orv/text/StringBase.h"

namespace orv {

/// Flag bits of the scanning steps, or-ed together.
/// Skip blanks before the item and, after a successful item, behind it.
constexpr unsigned int ParseSkipBlanks = 0x000001;
/// A number beyond 32 bits is no error: decimal numbers saturate at
/// 4294967295, octal and hexadecimal numbers keep their low 32 bits.
constexpr unsigned int ParseNoRangeError = 0x000004;
/// ParseNumber: a leading "0" introduces octal digits.
constexpr unsigned int ParseOctal = 0x000008;
/// ParseNumber: digits are hexadecimal even without "0x".
constexpr unsigned int ParseHex = 0x000800;
/// FindTokenEnd: the token runs to the next space, tab or end of text.
constexpr unsigned int TokenToBlank = 0x100000;
/// FindTokenEnd: the token runs to the cursor.
constexpr unsigned int TokenToCursor = 0x200000;
/// MatchChar: letters compare without regard to case.
constexpr unsigned int ParseIgnoreCase = 0x800000;

class ORV_API Parsing {
 public:
  /// The flag bits, also reachable as Parsing::ParseSkipBlanks etc.: aliases
  /// of the namespace constants above, which hold the values.
  static constexpr unsigned int ParseSkipBlanks = orv::ParseSkipBlanks;
  static constexpr unsigned int ParseNoRangeError = orv::ParseNoRangeError;
  static constexpr unsigned int ParseOctal = orv::ParseOctal;
  static constexpr unsigned int ParseHex = orv::ParseHex;
  static constexpr unsigned int TokenToBlank = orv::TokenToBlank;
  static constexpr unsigned int TokenToCursor = orv::TokenToCursor;
  static constexpr unsigned int ParseIgnoreCase = orv::ParseIgnoreCase;

  /// tokenStart, tokenEnd and cursor all point to the beginning of `text`;
  /// a null `text` is the empty text.
  explicit Parsing(const char* text);
  /// Releases nothing: the text is the caller's.
  virtual ~Parsing();

  /// Sets tokenEnd, judged by TokenToBlank and TokenToCursor in `flags`:
  ///   neither         => the end of the text
  ///   TokenToCursor   => the cursor
  ///   TokenToBlank    => the first space, tab or end of text from
  ///                      tokenStart; with TokenToCursor as well, the cursor
  ///                      if that comes first
  /// A token scanned to a blank runs on across line breaks.
  void FindTokenEnd(unsigned int flags);

  /// The text from tokenStart to tokenEnd. With `flags` 0 tokenEnd stays,
  /// unless it lies before tokenStart, when FindTokenEnd(TokenToBlank) runs
  /// first; other flags run FindTokenEnd(flags) first. Empty if tokenEnd
  /// still lies before tokenStart. Throws std::bad_alloc.
  StringBase<char> GetToken(unsigned int flags);

  /// Accepts the character at the cursor if it occurs in `chars`: the cursor
  /// moves past it and the result is its 1-based position in `chars`. At the
  /// end of the text, for a character not in `chars`, or for a null `chars`,
  /// the result is 0 and the cursor stays. With ParseSkipBlanks blanks are
  /// skipped before (even when nothing matches) and after a match; with
  /// ParseIgnoreCase letters compare without regard to case
  /// ("ab" on "B" => 2).
  int MatchChar(const char* chars, unsigned int flags);

  /// Reads an unsigned decimal number at the cursor; `max` 0 means no limit.
  /// Throws Exception 2020 when no digit stands at the item's start, 2005
  /// when the number exceeds 32 bits (unless ParseNoRangeError, which gives
  /// 4294967295) or exceeds a non-zero `max`.
  unsigned int ParseDecimal(unsigned int flags, unsigned int max);

  /// Reads an unsigned number at the cursor; `max` 0 means no limit.
  ///   "0x1F", "0X1f"  => hexadecimal (31) in every mode
  ///   "017"           => 17; with ParseOctal 15
  ///   "ff", "0ff"     => with ParseHex 255
  ///   "0"             => 0 in every mode
  /// Throws Exception 2021 when a required digit is missing ("0x" alone;
  /// "xff" with ParseHex; no digit at all), 2005 when the number exceeds 32
  /// bits (unless ParseNoRangeError: low 32 bits kept, decimal saturates) or
  /// exceeds a non-zero `max`.
  unsigned int ParseNumber(unsigned int flags, unsigned int max);

  /// Throws Exception `number` with "%1" = GetToken(0) and "%2" = `extra`
  /// (empty for null); the location is the thread's current one.
  [[noreturn]] void Error(long number, const char* extra);

  /// Where the item last scanned began.
  const char* tokenStart;
  /// The end of the token that an error message shows.
  const char* tokenEnd;
  /// The current scan position.
  const char* cursor;

 private:
  void SkipBlanks();
};

}  // namespace orv

#endif
