// orv/error/MessageNumbers.h - the message numbers the library uses, and their classes.
//
// Each number the library throws or looks up has one name here, as the
// exception's number type (long); the comment gives its English default
// text. The catalogue (LibraryMessages.cpp) registers 139 texts; the numbers
// that no code names appear only there.
//
// The value of a number is its class (signed comparisons):
//   below 2000, zero and negatives included  fatal error
//   2000 to 3999                             error
//   4000 and above                           warning
// 1000, 2000 and 4000 are free-text numbers: the exception's first argument
// is the text itself, and the number is not shown.
//
// Constants and pure functions only: safe from any thread.
#ifndef ORV_ERROR_MESSAGENUMBERS_H
#define ORV_ERROR_MESSAGENUMBERS_H

namespace orv {

// Free texts, one per class; each is also the first number of its class.
constexpr long MessageFreeTextFatalError = 1000;  // the first argument
constexpr long MessageFreeTextError = 2000;       // the first argument
constexpr long MessageFreeTextWarning = 4000;     // the first argument

// Files, folders and the system.
constexpr long MessageFileNotFound = 1001;        // "file %1 not found"
constexpr long MessageFolderNotFound = 1002;      // "folder not found: %1"
constexpr long MessageFileCannotBeOpened = 1003;  // "file %1 cannot be opened"
constexpr long MessageCannotReadFile = 1009;      // "cannot read from file %1"
constexpr long MessageCannotWriteFile = 1010;     // "cannot write to file %1"
constexpr long MessageTooManyOpenFiles = 1012;    // "too many opened files"
constexpr long MessageAccessDenied = 1013;        // "access to %1 denied"
constexpr long MessageOutOfMemory = 1014;         // "no more RAM available"
constexpr long MessageBadFileOrFolder = 1016;     // "bad file/folder: %1"
constexpr long MessageFileExists = 1029;          // "file %1 already exists"

// Dates and times.
constexpr long MessageInvalidDateTime = 1313;  // "Invalid date/time: %1"

// Scanning numbers in a text.
constexpr long MessageValueOutOfRange = 2005;  // "value %1 out of range"
constexpr long MessageDecimalExpected = 2020;  // "decimal number expected: %1"
constexpr long MessageNumberExpected = 2021;   // "number expected: %1"

// The framing of exception texts.
constexpr long MessageUndocumented = 55296;     // "Undocumented/internal (%1)"
constexpr long MessageClassError = 55297;       // "error"
constexpr long MessageClassWarning = 55298;     // "warning"
constexpr long MessageClassFatalError = 55299;  // "fatal error"

/// How severe the failure a number names is.
enum class MessageClass { FatalError, Error, Warning };

/// The class of `number`:
///   1999, 1000, 0, -1 => FatalError;  2000, 3999 => Error;  4000 => Warning
constexpr MessageClass ClassifyMessage(long number) noexcept {
  if (number < MessageFreeTextError) return MessageClass::FatalError;
  if (number < MessageFreeTextWarning) return MessageClass::Error;
  return MessageClass::Warning;
}

/// Whether `number` is 1000, 2000 or 4000, whose first argument is the text.
constexpr bool IsFreeTextNumber(long number) noexcept {
  return number == MessageFreeTextFatalError || number == MessageFreeTextError ||
         number == MessageFreeTextWarning;
}

/// The catalogue number of the word that names `messageClass` in texts:
/// MessageClassFatalError, MessageClassError or MessageClassWarning.
constexpr long ClassWordNumber(MessageClass messageClass) noexcept {
  switch (messageClass) {
    case MessageClass::FatalError:
      return MessageClassFatalError;
    case MessageClass::Error:
      return MessageClassError;
    case MessageClass::Warning:
      break;
  }
  return MessageClassWarning;
}

}  // namespace orv

#endif
