// orv/error/Exception.cpp - the one exception type: construction, copying and its text.
//
// The text reads, in this order:
//   reporter                  main start-up object's module name, else the
//                             program's file name without extension, else
//                             "<unknown>" (internal/ExceptionReporter.h)
//   ", " location             when the exception has a location
//   ": " class word           "fatal error", "error" or "warning"
//   " " tag number            unless the number is a free-text one
//   " - " message "."
// e.g. "libquonvop4j, L: fatal error QV1313 - Invalid date/time: not set."
#include "orv/error/Exception.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "orv/error/ErrorLocation.h"
#include "orv/error/FormatMessage.h"
#include "orv/error/MessageCatalogue.h"
#include "orv/error/MessageNumbers.h"
#include "orv/error/internal/ExceptionReporter.h"

namespace orv {
namespace {

// Numbers are shown and looked up by their low 32 bits, so both builds show
// the same text for the same value.
std::uint32_t Low32(long number) { return static_cast<std::uint32_t>(number); }

std::int32_t Shown(long number) { return static_cast<std::int32_t>(Low32(number)); }

// The library's English defaults of the class words, for the line that must
// do without the catalogue.
const char* DefaultClassWord(MessageClass messageClass) {
  switch (messageClass) {
    case MessageClass::FatalError:
      return "fatal error";
    case MessageClass::Error:
      return "error";
    case MessageClass::Warning:
      break;
  }
  return "warning";
}

}  // namespace

Exception::Exception(long messageNumber, const StringBase<char>& a1,
                     const StringBase<char>& a2, const StringBase<char>& a3,
                     const StringBase<char>& givenLocation)
    : number(messageNumber), arg1(a1), arg2(a2), arg3(a3), text() {
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
      text() {}

Exception& Exception::operator=(const Exception& other) {
  if (this != &other) {
    number = other.number;
    arg1 = other.arg1;
    arg2 = other.arg2;
    arg3 = other.arg3;
    location = other.location;
    text.reset();
  }
  return *this;
}

Exception::~Exception() = default;

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
  // allocation.
  static thread_local char fallback[160];
  std::snprintf(fallback, sizeof fallback, "%.64s: %s %.15s%ld - message text unavailable.",
                internal::ReporterWithoutAllocation(),
                DefaultClassWord(ClassifyMessage(number)), internal::ShortTag(),
                static_cast<long>(Shown(number)));
  return fallback;
}

const char* Exception::ComposeText() const {
  return BuildText(arg1, arg2, arg3, location);
}

const char* Exception::BuildText(const StringBase<char>& a1, const StringBase<char>& a2,
                                 const StringBase<char>& a3,
                                 const StringBase<char>& where) const {
  if (text == nullptr) {
    text = std::make_unique<StringBase<char>>();
  } else {
    text->clear();
  }

  // The message, and whether the number is shown with it.
  StringOld message;
  const bool showNumber = !IsFreeTextNumber(number);
  if (!showNumber) {
    // The first argument is the text; only the other two fill it.
    FormatMessage(message, a1.c_str(), a2, a3);
  } else {
    StringOld format;
    if (GetMessageText(format, Low32(number))) {
      FormatMessage(message, format.c_str(), a1, a2, a3);
    } else {
      // No text anywhere: the number and the non-empty arguments.
      GetMessageText(format, MessageUndocumented);  // stays empty if even that is missing
      StringOld list(std::to_string(Shown(number)));
      for (const StringBase<char>* argument : {&a1, &a2, &a3}) {
        if (argument->empty()) continue;
        list += ", ";
        list += *argument;
      }
      FormatMessage(message, format.c_str(), list);
    }
  }

  StringOld classWord;
  GetMessageText(classWord, ClassWordNumber(ClassifyMessage(number)));  // empty if missing

  StringBase<char>& result = *text;
  result.reserve(64 + where.size() + message.size());
  internal::AppendReporter(result);
  if (!where.empty()) {
    result += ", ";
    result += where;
  }
  result += ": ";
  result += classWord;
  if (showNumber) {
    result += ' ';
    result += internal::ShortTag();
    result += std::to_string(Shown(number));
  }
  result += " - ";
  result += message;
  result += '.';
  return result.c_str();
}

}  // namespace orv
