// tests/package/main.cpp - a program linked against the installed library.
//
// Checks what a C++ user of the package relies on: the headers compile on
// their own, the library is found at run time without LD_LIBRARY_PATH, its
// load order has filled the message catalogue, exception texts compose and
// the application name is empty when no Java program set one. The other
// modes check that exceptions thrown inside the library meet the program's
// C++ runtime, each in a process of its own (the runtime's count of
// exceptions in flight is process-wide):
//   throw       they are caught here by their types (std::exception
//               included), held and thrown again (std::current_exception,
//               std::rethrow_exception, std::throw_with_nested), and once
//               caught nothing is counted in flight;
//   allocation  the program's operator new throws while what() composes
//               inside the library, which swallows it: nothing is counted in
//               flight afterwards, and a transaction around the call commits.
// In every mode the program's own operator new and delete, which mark their
// blocks, serve the library's allocations. Prints one line per check and
// exits 1 if any failed.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "jni/ApplicationName.h"
#include "orv/file/File.h"
#include "orv/orv.h"

namespace {

// The program's allocation functions: each block carries a mark, and
// freeing a block without it (one that another allocator made) aborts the
// program. While `exhausted` is set they throw std::bad_alloc, as on an
// exhausted heap.
constexpr std::uint64_t BlockMark = 0x636f6e73756d6572;  // "consumer"

struct alignas(alignof(std::max_align_t)) BlockHeader {
  std::uint64_t mark;
};

std::atomic<long> allocations{0};
std::atomic<long> refusals{0};
std::atomic<bool> exhausted{false};

void* Allocate(std::size_t size) {
  if (exhausted.load()) {
    refusals.fetch_add(1);
    throw std::bad_alloc();
  }
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
  if (header == nullptr) throw std::bad_alloc();
  header->mark = BlockMark;
  allocations.fetch_add(1);
  return header + 1;
}

void Release(void* block) noexcept {
  if (block == nullptr) return;
  BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
  if (header->mark != BlockMark) {
    std::fprintf(stderr, "operator delete: %p does not come from this program's operator new\n",
                 block);
    std::abort();
  }
  header->mark = 0;
  std::free(header);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }

namespace {

int failures = 0;

void Expect(const char* what, const std::string& actual, const std::string& expected) {
  const bool ok = actual == expected;
  std::printf("%s %s: \"%s\"\n", ok ? "ok  " : "FAIL", what, actual.c_str());
  if (!ok) {
    std::printf("     expected: \"%s\"\n", expected.c_str());
    ++failures;
  }
  std::fflush(stdout);
}

// What the C++ runtime reports about exceptions in flight, in one line.
std::string InFlight() {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const bool any = std::uncaught_exception();  // deprecated; programs still ask it
#pragma GCC diagnostic pop
  return "uncaught_exceptions() " + std::to_string(std::uncaught_exceptions()) +
         ", uncaught_exception() " + (any ? "true" : "false");
}
const std::string NoneInFlight = "uncaught_exceptions() 0, uncaught_exception() false";

// A scope that commits when left normally and rolls back when left by an
// exception, as transaction guards decide it.
class Transaction {
 public:
  explicit Transaction(std::string& outcome) : outcome_(outcome) {}
  ~Transaction() {
    outcome_ = std::uncaught_exceptions() > entered_ ? "ROLLED BACK" : "COMMITTED";
  }

 private:
  std::string& outcome_;
  const int entered_ = std::uncaught_exceptions();
};

const char* const MissingFile = "/nonexistent-quonvop4j-consumer/missing.bin";
const std::string MissingText =
    "libquonvop4j: fatal error QV1001 - file "
    "/nonexistent-quonvop4j-consumer/missing.bin not found.";

// Throws the library's orv::FileException for a missing file.
void OpenMissingFile() {
  orv::File file;
  file.SetName(MissingFile);
  file.Open(orv::ModeRead | orv::ModeMustExist);
}

void CheckTexts() {
  const orv::Exception composed(1002, "/srv/data");
  Expect("exception text", composed.what(),
         "libquonvop4j: fatal error QV1002 - folder not found: /srv/data.");

  orv::StringBase<char> text("junk");
  const long before = allocations.load();
  const bool found = orv::GetMessageText(text, 1038);
  Expect("catalogue text", found ? text.c_str() : "(none)",
         "remote computer access not suported");
  Expect("the library allocates with the program's operator new",
         allocations.load() > before ? "yes" : "no", "yes");
  // The program grows the library's string, freeing the library's block.
  static_cast<std::string&>(text).append(200, '.');

  Expect("application name", jni::ApplicationName().c_str(), "");
}

void CheckCaught() {
  std::string caught = "(nothing thrown)";
  try {
    OpenMissingFile();
  } catch (const orv::FileException& e) {
    caught = e.what();
  } catch (const std::exception& e) {
    caught = std::string("other exception: ") + e.what();
  }
  Expect("library exception", caught, MissingText);
  Expect("in flight after the catch", InFlight(), NoneInFlight);

  caught = "(nothing thrown)";
  try {
    OpenMissingFile();
  } catch (const std::exception& e) {
    caught = e.what();
  }
  Expect("caught as std::exception", caught, MissingText);
  Expect("in flight after the catch as std::exception", InFlight(), NoneInFlight);
}

void CheckHeldAndRethrown() {
  std::exception_ptr held;
  try {
    OpenMissingFile();
  } catch (...) {
    held = std::current_exception();
  }
  std::string caught = held ? "(not thrown again)" : "(nothing held)";
  try {
    if (held) std::rethrow_exception(held);
  } catch (const orv::FileException& e) {
    caught = e.what();
  } catch (...) {
    caught = "(another type)";
  }
  held = nullptr;
  Expect("std::rethrow_exception of a held library exception", caught, MissingText);
  Expect("in flight after rethrow_exception", InFlight(), NoneInFlight);

  std::string outer = "(nothing thrown)";
  std::string inner = "(nothing nested)";
  try {
    try {
      OpenMissingFile();
    } catch (...) {
      std::throw_with_nested(std::runtime_error("the data could not be read"));
    }
  } catch (const std::runtime_error& e) {
    outer = e.what();
    try {
      std::rethrow_if_nested(e);
    } catch (const orv::FileException& nested) {
      inner = nested.what();
    } catch (...) {
      inner = "(another type)";
    }
  }
  Expect("std::throw_with_nested around a library exception", outer,
         "the data could not be read");
  Expect("the nested library exception", inner, MissingText);
  Expect("in flight after the nested exceptions", InFlight(), NoneInFlight);
}

// The program's operator new throws while what() composes inside the
// library; what() swallows the exception and returns a text that needs no
// allocation. Nothing may stay counted in flight: a transaction around the
// call commits.
void CheckThrowingAllocation() {
  const orv::Exception error(1002, "/srv/data");
  std::string outcome = "(not left)";
  std::string text;
  const long refusedBefore = refusals.load();
  {
    Transaction transaction(outcome);
    exhausted.store(true);
    const char* composed = error.what();
    exhausted.store(false);
    text = composed;
  }
  Expect("what() with the program's operator new throwing", text,
         "libquonvop4j: fatal error QV1002 - message text unavailable.");
  Expect("the library asked the program's operator new",
         refusals.load() > refusedBefore ? "yes" : "no", "yes");
  Expect("in flight after what() swallowed bad_alloc", InFlight(), NoneInFlight);
  Expect("transaction", outcome, "COMMITTED");
  Expect("what() once memory is back", error.what(),
         "libquonvop4j: fatal error QV1002 - folder not found: /srv/data.");
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "";
  if (std::strcmp(mode, "throw") == 0) {
    CheckCaught();
    CheckHeldAndRethrown();
  } else if (std::strcmp(mode, "allocation") == 0) {
    CheckThrowingAllocation();
  } else if (*mode == '\0') {
    CheckTexts();
  } else {
    std::printf("usage: consumer [throw | allocation]\n");
    return 2;
  }
  std::printf("consumer (%d-bit): %s\n", static_cast<int>(sizeof(void*) * 8),
              failures == 0 ? "all checks passed" : "checks failed");
  return failures == 0 ? 0 : 1;
}
