// orv/error/ExceptionText.cpp - composition of exception texts.
//
// The text reads, in this order:
//   reporter                  main start-up object's module name, else the
//                             program's file name without extension, else
//                             "<unknown>"
//   ", " location             when the exception has a location
//   ": " class word           "fatal error", "error" or "warning"
//   " " tag number            unless the number is 1000, 2000 or 4000
//   " - " message "."
// e.g. "libquonvop4j, L: fatal error QV1313 - Invalid date/time: not set."
#include "orv/error/ExceptionText.h"

#include "orv/error/Exception.h"

#include <cstdint>
#include <string>

#include "orv/error/FormatMessage.h"
#include "orv/error/MessageCatalogue.h"
#include "orv/file/FileString.h"
#include "orv/startup/Process.h"
#include "orv/startup/StartUp.h"

namespace orv {
namespace {

// Catalogue numbers of the framing texts.
constexpr unsigned int kUndocumented = 55296;  // "Undocumented/internal (%1)"
constexpr unsigned int kError = 55297;         // "error"
constexpr unsigned int kWarning = 55298;       // "warning"
constexpr unsigned int kFatalError = 55299;    // "fatal error"

// Plain bool: trivially destroyed, so it does not pin the library.
thread_local bool reporterWithoutProcess = false;

bool IsFreeText(long number) { return number == 1000 || number == 2000 || number == 4000; }

// Numbers are shown and looked up by their low 32 bits, so both builds show
// the same text for the same value.
std::uint32_t Low32(long number) { return static_cast<std::uint32_t>(number); }

std::string Decimal(long number) {
  return std::to_string(static_cast<std::int32_t>(Low32(number)));
}

unsigned int ClassWordNumber(long number) {
  if (number < 2000) return kFatalError;  // zero and negatives included
  if (number < 4000) return kError;
  return kWarning;
}

// Who reports: the main start-up object's module name (even when empty), else
// the running program's name without extension, else "<unknown>". Resolving
// the program's path may throw its FileException.
void AppendReporter(StringBase<char>& out) {
  if (StartUp* main = StartUp::GetMain()) {
    if (const StringBase<char>* name = main->GetModuleName()) out += *name;
    return;
  }
  StringBase<char> reporter;
  if (!reporterWithoutProcess) {
    FileString path;
    Process::Current()->GetExecutablePath(path);
    reporter = path.GetFileName(false);
  }
  out += reporter.empty() ? StringBase<char>("<unknown>") : reporter;
}

}  // namespace

namespace internal {

ReporterWithoutProcess::ReporterWithoutProcess() noexcept
    : previous_(reporterWithoutProcess) {
  reporterWithoutProcess = true;
}

ReporterWithoutProcess::~ReporterWithoutProcess() { reporterWithoutProcess = previous_; }

bool ReporterWithoutProcess::Active() noexcept { return reporterWithoutProcess; }

}  // namespace internal

const char* Exception::BuildText(const StringBase<char>& a1, const StringBase<char>& a2,
                                 const StringBase<char>& a3,
                                 const StringBase<char>& where) const {
  if (text == nullptr) {
    text = new StringBase<char>();
  } else {
    text->clear();
  }

  // The message, and whether the number is shown with it.
  StringOld message;
  const bool showNumber = !IsFreeText(number);
  if (!showNumber) {
    // The first argument is the text; only the other two fill it.
    FormatMessage(message, a1.c_str(), a2, a3);
  } else {
    StringOld format;
    if (GetMessageText(format, Low32(number))) {
      FormatMessage(message, format.c_str(), a1, a2, a3);
    } else {
      // No text anywhere: the number and the non-empty arguments.
      GetMessageText(format, kUndocumented);  // stays empty if even that is missing
      StringOld list(Decimal(number));
      for (const StringBase<char>* argument : {&a1, &a2, &a3}) {
        if (argument->empty()) continue;
        list += ", ";
        list += *argument;
      }
      FormatMessage(message, format.c_str(), list);
    }
  }

  StringOld classWord;
  GetMessageText(classWord, ClassWordNumber(number));  // empty if missing

  StringBase<char>& result = *text;
  result.reserve(64 + where.size() + message.size());
  AppendReporter(result);
  if (!where.empty()) {
    result += ", ";
    result += where;
  }
  result += ": ";
  result += classWord;
  if (showNumber) {
    result += ' ';
    result += StartUp::GetShortTag();
    result += Decimal(number);
  }
  result += " - ";
  result += message;
  result += '.';
  return result.c_str();
}

}  // namespace orv
