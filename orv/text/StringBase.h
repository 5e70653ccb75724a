// orv/text/StringBase.h - the library's string types.
//
// orv::StringBase<char> is the standard byte string with a virtual destructor,
// so that the library's own string classes can be destroyed through a base
// pointer. Texts are bytes: nothing here converts character sets.
//
// Threads: as with std::string, distinct strings may be used on distinct
// threads, and one string read by several threads at once while none
// changes it. The shared empty string is never changed and safe everywhere.
#ifndef ORV_TEXT_STRINGBASE_H
#define ORV_TEXT_STRINGBASE_H

#include <cstddef>
#include <string>

#include "orv/Export.h"

namespace orv {

template <class CharT>
class StringBase;

/// The library's string. Every std::string operation applies; a null
/// zero-terminated string always means the empty string.
template <>
class ORV_API StringBase<char> : public std::string {
 public:
  StringBase() noexcept;
  /// Copies up to the terminating zero; null gives the empty string.
  StringBase(const char* text);  // NOLINT: implicit on purpose, like std::string
  /// Copies all bytes, embedded zero bytes included.
  StringBase(const std::string& text);  // NOLINT
  StringBase(std::string&& text) noexcept;  // NOLINT
  StringBase(const StringBase& other);
  StringBase(StringBase&& other) noexcept;
  virtual ~StringBase();

  /// Null empties the string; otherwise the bytes up to the terminating zero.
  StringBase& operator=(const char* text);
  StringBase& operator=(const std::string& text);
  /// Self-assignment changes nothing.
  StringBase& operator=(const StringBase& other);
  StringBase& operator=(StringBase&& other) noexcept;

  /// Exactly `length` bytes from `data`, zero bytes included; a null `data`
  /// empties the string. The target is unchanged if the copy cannot be built.
  StringBase& Assign(const char* data, std::size_t length);
  /// The standard assign, with the same null rule as Assign.
  using std::string::assign;
  StringBase& assign(const char* data, std::size_t length) { return Assign(data, length); }

 private:
  void* auxiliary_ = nullptr;  // never set: keeps the layout that callers compiled against
};

/// The older string class; the working string of placeholder formatting.
class ORV_API StringOld : public StringBase<char> {
 public:
  StringOld() noexcept;
  /// `length` bytes from `data` (null `data` gives the empty string).
  StringOld(const char* data, std::size_t length);
  StringOld(const char* text);  // NOLINT
  StringOld(const StringBase<char>& text);  // NOLINT
  StringOld(const StringOld& other);
  ~StringOld() override;

  StringOld& operator=(const StringOld& other);
  using StringBase<char>::operator=;

 private:
  void* own_ = nullptr;  // never set: keeps the layout that callers compiled against
};

/// The one process-wide empty string, the default of text arguments that
/// carry nothing. Every call returns the same object; it is never released.
ORV_API const StringBase<char>& SharedEmptyString() noexcept;

}  // namespace orv

#endif
