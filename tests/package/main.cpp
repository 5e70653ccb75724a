// tests/package/main.cpp - a program linked against the installed library.
//
// Checks what a C++ user of the package relies on: the headers compile on
// their own, the library is found at run time without LD_LIBRARY_PATH, its
// load order has filled the message catalogue, exception texts compose and
// the application name is empty when no Java program set one. With the
// argument "throw" it checks instead that an exception thrown inside the
// library is caught here by its type. Prints one line per check and exits 1
// if any failed.
#include <cstdio>
#include <cstring>
#include <exception>

#include "jni/ApplicationName.h"
#include "orv/file/File.h"
#include "orv/orv.h"

namespace {

int failures = 0;

void Expect(const char* what, const char* actual, const char* expected) {
  const bool ok = std::strcmp(actual, expected) == 0;
  std::printf("%s %s: \"%s\"\n", ok ? "ok  " : "FAIL", what, actual);
  if (!ok) {
    std::printf("     expected: \"%s\"\n", expected);
    ++failures;
  }
  std::fflush(stdout);
}

void CheckTexts() {
  const orv::Exception composed(1002, "/srv/data");
  Expect("exception text", composed.what(),
         "libquonvop4j: fatal error QV1002 - folder not found: /srv/data.");

  orv::StringBase<char> text("junk");
  const bool found = orv::GetMessageText(text, 1038);
  Expect("catalogue text", found ? text.c_str() : "(none)",
         "remote computer access not suported");

  Expect("application name", jni::ApplicationName().c_str(), "");
}

void CheckThrownByLibrary() {
  const char* thrown = "(nothing thrown)";
  orv::StringBase<char> caught;
  try {
    orv::File file;
    file.SetName("/nonexistent-quonvop4j-consumer/missing.bin");
    file.Open(orv::ModeRead | orv::ModeMustExist);
  } catch (const orv::FileException& e) {
    caught = e.what();
    thrown = caught.c_str();
  } catch (const std::exception& e) {
    caught = orv::StringBase<char>("other exception: ") + e.what();
    thrown = caught.c_str();
  }
  Expect("library exception", thrown,
         "libquonvop4j: fatal error QV1001 - file "
         "/nonexistent-quonvop4j-consumer/missing.bin not found.");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "throw") == 0) {
    CheckThrownByLibrary();
  } else {
    CheckTexts();
  }
  std::printf("consumer (%d-bit): %s\n", static_cast<int>(sizeof(void*) * 8),
              failures == 0 ? "all checks passed" : "checks failed");
  return failures == 0 ? 0 : 1;
}
