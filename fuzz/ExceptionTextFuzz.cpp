// fuzz/ExceptionTextFuzz.cpp - exception texts from any number and arguments.
//
// At start the library's messages are registered and a module "libquonvop4j"
// with the tag "QV" is made, as the library's load order does. Input: one
// mode byte (take the number from a table of interesting ones; give a 64-bit
// number high bits; allow zero bytes inside the texts), four bytes of
// number, four of high bits, then the texts cut at a separator: arg1, arg2,
// arg3, location, file name.
//
// Properties: what() never fails and returns a zero-terminated text that
// starts with "libquonvop4j" and ends with "." (unless a zero byte inside the
// location cuts it short); the text equals the one composed from its pieces
// (reporter, location, class word, tag and number, formatted message); two
// calls and a copy give the same text; the same holds for an
// orv::FileException, whose "%1" is the display form of its file name.
#include "orv/error/Exception.h"

#include <climits>
#include <cstring>
#include <memory>

#include "fuzz/FuzzCheck.h"
#include "orv/error/FormatMessage.h"
#include "orv/error/LibraryMessages.h"
#include "orv/error/MessageCatalogue.h"
#include "orv/file/FileException.h"
#include "orv/startup/Module.h"

namespace {

const char kModuleName[] = "libquonvop4j";

// Free-text numbers, the limits of the classes, texts with placeholders,
// the framing texts and numbers without text.
const long kInteresting[] = {
    1000,  2000,  4000,  1999,  3999,  0,     -1,    1,     1001,  1003,  1016,
    1040,  1100,  1312,  1313,  2001,  2005,  2020,  2021,  2102,  4003,  4004,
    4711,  3000,  55296, 55297, 55298, 55299, 55321, 55328, 55378, 57088, 57089,
    65535, 65536, INT_MAX, INT_MIN, 99999, 1023, 2004};

std::uint32_t Low32(long number) { return static_cast<std::uint32_t>(number); }

// The text composed from its pieces, with the three arguments that fill
// "%1" to "%3".
std::string Expected(long number, const std::string& a1, const std::string& a2,
                     const std::string& a3, const std::string& location) {
  const bool freeText = number == 1000 || number == 2000 || number == 4000;
  orv::StringBase<char> message;
  orv::StringBase<char> format;
  if (freeText) {
    orv::FormatMessage(message, a1.c_str(), a2, a3);
  } else if (orv::GetMessageText(format, Low32(number))) {
    orv::FormatMessage(message, format.c_str(), a1, a2, a3);
  } else {
    FUZZ_CHECK(orv::GetMessageText(format, 55296));
    std::string list = std::to_string(static_cast<std::int32_t>(Low32(number)));
    for (const std::string* argument : {&a1, &a2, &a3}) {
      if (!argument->empty()) list += ", " + *argument;
    }
    orv::FormatMessage(message, format.c_str(), list);
  }
  std::string text = kModuleName;
  if (!location.empty()) text += ", " + location;
  text += ": ";
  text += number < 2000 ? "fatal error" : number < 4000 ? "error" : "warning";
  if (!freeText) text += " QV" + std::to_string(static_cast<std::int32_t>(Low32(number)));
  text += " - ";
  text += message;
  text += '.';
  return text;
}

void CheckText(const orv::Exception& e, const std::string& expected) {
  const char* text = e.what();
  FUZZ_CHECK(text != nullptr);
  const std::size_t length = std::strlen(text);
  FUZZ_CHECK(std::strncmp(text, kModuleName, sizeof kModuleName - 1) == 0);
  FUZZ_CHECK(std::strcmp(text, expected.c_str()) == 0);
  if (expected.find('\0') == std::string::npos) FUZZ_CHECK(length > 0 && text[length - 1] == '.');
  // Composed afresh, the same again; a copy composes the same text.
  const std::string first(text);
  FUZZ_CHECK(first == e.what());
  FUZZ_CHECK(first == e.ComposeText());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orv::RegisterLibraryMessages(orv::StringBase<char>(kModuleName));
  // Lives until the process ends, as the library's module does.
  static orv::Module module("QV", kModuleName);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::uint8_t mode = input.Byte();
  const std::uint32_t low = input.U32();
  const std::uint32_t high = input.U32();
  long number = static_cast<std::int32_t>(low);
  if ((mode & 0x01) != 0) {
    number = kInteresting[low % (sizeof kInteresting / sizeof kInteresting[0])];
  }
  if ((mode & 0x02) != 0 && sizeof(long) > 4) {
    const unsigned long wide = static_cast<unsigned long>(number) & 0xFFFFFFFFul;
    number = static_cast<long>(wide | static_cast<unsigned long>(high) << 16 << 16);
  }
  // Texts are cut at zero bytes unless the mode allows zero bytes inside.
  const char separator = (mode & 0x04) != 0 ? '\x01' : '\0';
  std::vector<std::string> pieces = fuzz::Split(input.Rest(), separator);
  pieces.resize(std::max<std::size_t>(pieces.size(), 5));
  const std::string& a1 = pieces[0];
  const std::string& a2 = pieces[1];
  const std::string& a3 = pieces[2];
  const std::string& location = pieces[3];
  const std::string& fileName = pieces[4];

  const orv::Exception e(number, orv::StringBase<char>(a1), orv::StringBase<char>(a2),
                         orv::StringBase<char>(a3), orv::StringBase<char>(location));
  FUZZ_CHECK(e.GetNumber() == number);
  FUZZ_CHECK(e.GetLocation() == location);
  // The model's text is made once for an exception and its copy: both must
  // compose the same text.
  const std::string expected = Expected(number, a1, a2, a3, location);
  CheckText(e, expected);
  const orv::Exception copy(e);
  CheckText(copy, expected);

  const orv::FileString name(fileName);
  const orv::FileException fileError(e, name);
  const std::string display = name.GetDisplayName(0, true);
  const std::string expectedFile = Expected(number, display, a1, a2, location);
  CheckText(fileError, expectedFile);
  const orv::FileException fileCopy(fileError);
  CheckText(fileCopy, expectedFile);
  return 0;
}
