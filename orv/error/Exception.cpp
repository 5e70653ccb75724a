// orv/error/Exception.cpp - construction and copying of exceptions.
#include "orv/error/Exception.h"

#include <cstdint>
#include <cstdio>
#include <new>

#include "orv/error/ErrorLocation.h"
#include "orv/error/ExceptionText.h"
#include "orv/error/FormatMessage.h"
#include "orv/startup/StartUp.h"

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
    // Usually the running program's path could not be resolved (no main
    // start-up object to name the reporter): compose again without asking
    // the process.
  }
  try {
    internal::ReporterWithoutProcess withoutProcess;
    return ComposeText();
  } catch (...) {
    // Memory exhausted, or the catalogue failed: fall through.
  }
  // Still one line that names the number, in storage that needs no
  // allocation. The class words are the library's English defaults.
  static thread_local char fallback[160];
  const char* reporter = "<unknown>";
  if (StartUp* main = StartUp::GetMain()) {
    if (const StringBase<char>* name = main->GetModuleName()) reporter = name->c_str();
  }
  const char* classWord = number < 2000 ? "fatal error" : number < 4000 ? "error" : "warning";
  const long shown = static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
  std::snprintf(fallback, sizeof fallback, "%.64s: %s %.15s%ld - message text unavailable.",
                reporter, classWord, StartUp::GetShortTag(), shown);
  return fallback;
}

}  // namespace orv
