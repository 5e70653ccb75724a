// orv/error/Exception.cpp - construction and copying of exceptions.
#include "orv/error/Exception.h"

#include <cstdio>
#include <new>

#include "orv/error/ErrorLocation.h"

namespace orv {

Exception::Exception(long messageNumber, const StringBase<char>& a1,
                     const StringBase<char>& a2, const StringBase<char>& a3,
                     const StringBase<char>& givenLocation)
    : number(messageNumber), arg1(a1), arg2(a2), arg3(a3), text(nullptr) {
  if (givenLocation.empty()) {
    location = CurrentErrorLocation();
  } else {
    // The given text continues whatever the thread is doing.
    ErrorLocationScope scope(givenLocation, true);
    location = CurrentErrorLocation();
  }
}

Exception::Exception(const Exception& other)
    : std::exception(other),
      number(other.number),
      arg1(other.arg1),
      arg2(other.arg2),
      arg3(other.arg3),
      location(other.location),
      text(nullptr) {}

Exception& Exception::operator=(const Exception& other) {
  if (this != &other) {
    number = other.number;
    arg1 = other.arg1;
    arg2 = other.arg2;
    arg3 = other.arg3;
    location = other.location;
    delete text;
    text = nullptr;
  }
  return *this;
}

Exception::~Exception() { delete text; }

const char* Exception::ComposeText() const {
  return BuildText(arg1, arg2, arg3, location);
}

const char* Exception::what() const noexcept {
  try {
    return ComposeText();
  } catch (...) {
    // Composition failed (memory exhausted, or no reporter could be found).
    // Still answer one line that names the number, in storage that needs no
    // allocation.
    static thread_local char fallback[96];
    std::snprintf(fallback, sizeof fallback,
                  "<unknown>: message %ld (text could not be composed).", number);
    return fallback;
  }
}

}  // namespace orv
