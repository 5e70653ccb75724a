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

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "orv/error/ErrorLocation.h"
#include "orv/error/MessageNumbers.h"
#include "orv/error/internal/CatalogueText.h"
#include "orv/error/internal/ExceptionReporter.h"
#include "orv/error/internal/FormatInto.h"

namespace orv {
namespace {

// Numbers are shown and looked up by their low 32 bits, so both builds show
// the same text for the same value.
std::uint32_t Low32(long number) { return static_cast<std::uint32_t>(number); }

std::int32_t Shown(long number) { return static_cast<std::int32_t>(Low32(number)); }

// A shown number in decimal, zero-terminated.
struct DecimalText {
  char digits[12];  // "-2147483648" and the terminator
  const char* c_str() const { return digits; }
};

DecimalText Decimal(long number) {
  DecimalText decimal;
  char* end = std::to_chars(decimal.digits, decimal.digits + sizeof decimal.digits - 1,
                            Shown(number)).ptr;
  *end = '\0';
  return decimal;
}

// A text as far as its first zero byte: what a format is read up to.
std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

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

  // The texts first, in the order the catalogue is asked: the message's,
  // then the class word. Registered texts are read in place; only a
  // language module's text is copied, into the storage beside it.
  const bool showNumber = !IsFreeTextNumber(number);
  std::string_view format;
  std::string formatStorage;
  std::string list;  // the number and the arguments, when the number has no text
  const char* arguments[3] = {a1.c_str(), a2.c_str(), a3.c_str()};
  const char* const* formatArguments = arguments;
  std::size_t argumentCount = 3;
  if (!showNumber) {
    // The first argument is the text; only the other two fill it.
    format = a1.c_str();
    formatArguments = arguments + 1;
    argumentCount = 2;
  } else if (internal::FindMessageText(Low32(number), format, formatStorage)) {
    format = UpToZero(format);
  } else {
    // No text anywhere: the number and the non-empty arguments.
    if (internal::FindMessageText(Low32(MessageUndocumented), format, formatStorage)) {
      format = UpToZero(format);
    }  // else stays empty
    list = Decimal(number).c_str();
    for (const StringBase<char>* argument : {&a1, &a2, &a3}) {
      if (argument->empty()) continue;
      list += ", ";
      list += *argument;
    }
    arguments[0] = list.c_str();
    argumentCount = 1;
  }
  std::string_view classWord;  // empty if missing
  std::string classWordStorage;
  internal::FindMessageText(Low32(ClassWordNumber(ClassifyMessage(number))), classWord,
                            classWordStorage);

  StringBase<char>& result = *text;
  std::size_t expected = 64 + where.size() + format.size();
  for (std::size_t i = 0; i < argumentCount; ++i) expected += std::strlen(formatArguments[i]);
  result.reserve(expected);
  internal::AppendReporter(result);
  if (!where.empty()) {
    result += ", ";
    result += where;
  }
  result += ": ";
  result.append(classWord.data(), classWord.size());
  if (showNumber) {
    result += ' ';
    result += internal::ShortTag();
    result += Decimal(number).c_str();
  }
  result += " - ";
  internal::FormatInto(result, format, formatArguments, argumentCount);
  result += '.';
  return result.c_str();
}

}  // namespace orv
