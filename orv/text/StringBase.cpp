// orv/text/StringBase.cpp - the library's string types.
#include "orv/text/StringBase.h"

#include <cstdlib>
#include <utility>

#include "orv/text/internal/NoDestructor.h"

namespace orv {

StringBase<char>::StringBase() noexcept = default;

StringBase<char>::StringBase(const char* text)
    : std::string(text != nullptr ? text : "") {}

StringBase<char>::StringBase(const std::string& text) : std::string(text) {}

StringBase<char>::StringBase(std::string&& text) noexcept
    : std::string(std::move(text)) {}

// The auxiliary buffer belongs to its object: copies start without one.
StringBase<char>::StringBase(const StringBase& other) : std::string(other) {}

StringBase<char>::StringBase(StringBase&& other) noexcept
    : std::string(std::move(other)) {}

StringBase<char>::~StringBase() {
  if (auxiliary_ != nullptr) std::free(auxiliary_);
}

StringBase<char>& StringBase<char>::operator=(const char* text) {
  if (text == nullptr) {
    clear();
  } else {
    std::string::operator=(text);
  }
  return *this;
}

StringBase<char>& StringBase<char>::operator=(const std::string& text) {
  std::string::operator=(text);
  return *this;
}

StringBase<char>& StringBase<char>::operator=(const StringBase& other) {
  if (this != &other) std::string::operator=(other);
  return *this;
}

StringBase<char>& StringBase<char>::operator=(StringBase&& other) noexcept {
  if (this != &other) std::string::operator=(std::move(other));
  return *this;
}

StringBase<char>& StringBase<char>::Assign(const char* data, std::size_t length) {
  if (data == nullptr) {
    clear();
    return *this;
  }
  // Build the copy first so a failed allocation leaves the target unchanged.
  StringBase copy(std::string(data, length));
  swap(copy);
  return *this;
}

StringOld::StringOld() noexcept = default;

StringOld::StringOld(const char* data, std::size_t length) { Assign(data, length); }

StringOld::StringOld(const char* text) : StringBase<char>(text) {}

StringOld::StringOld(const StringBase<char>& text) : StringBase<char>(text) {}

StringOld::StringOld(const StringOld& other) : StringBase<char>(other) {}

StringOld::~StringOld() {
  if (own_ != nullptr) std::free(own_);
}

StringOld& StringOld::operator=(const StringOld& other) {
  StringBase<char>::operator=(other);
  return *this;
}

const StringBase<char>& SharedEmptyString() noexcept {
  // Never destroyed, so it outlives every static object that might still use
  // it at unload. An empty string owns no heap memory, so nothing leaks when
  // the library is unloaded.
  static const internal::NoDestructor<StringBase<char>> empty;
  return *empty;
}

}  // namespace orv
