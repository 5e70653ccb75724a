// orv/error/MessageCatalogue.cpp - the catalogue table and language modules.
#include "orv/error/MessageCatalogue.h"

#include <charconv>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "orv/startup/DynamicLibrary.h"
#include "orv/startup/Process.h"

namespace orv {
namespace {

// Set once the table has been destroyed at unload, so that a late lookup
// finds nothing instead of touching a destroyed map. Constant-initialised.
bool tableDestroyed = false;

// The catalogue: message number as unsigned decimal text (compared as bytes)
// to its text. One table for every module name.
struct Table {
  // std::less<> lets lookups compare a key written on the stack.
  std::map<std::string, StringBase<char>, std::less<>> texts;

  Table() = default;
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  ~Table() { tableDestroyed = true; }
};

// Created on the first registration or lookup; destroyed when the library
// is unloaded (or the program ends), after the registering objects.
Table* GetTable() {
  if (tableDestroyed) return nullptr;
  static Table table;
  return &table;
}

// A number's key: its unsigned decimal digits, written into `digits`.
struct Key {
  char digits[10];  // 4294967295 has ten
  std::size_t length;
  std::string_view View() const { return std::string_view(digits, length); }
};

Key KeyOf(unsigned int number) {
  Key key;
  key.length = static_cast<std::size_t>(
      std::to_chars(key.digits, key.digits + sizeof key.digits, number).ptr - key.digits);
  return key;
}

// The first call offers this many bytes; longer texts need a second call.
constexpr unsigned int FirstBufferSize = 256;
// No message text is anywhere near this long. A module claiming more is
// broken or hostile: offering it a buffer of that size would touch up to
// 4 GiB and could get the whole process killed.
constexpr unsigned int MaxTextLength = 1u << 20;

// The text a module left in `buffer`: up to the first zero byte, but never
// beyond the `size` bytes the module was given, whether it terminated the
// text or not.
void TakeText(const char* buffer, std::size_t size, StringBase<char>& out) {
  const void* end = std::memchr(buffer, '\0', size);
  const std::size_t length =
      end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - buffer)
                     : size;
  out.Assign(buffer, length);
}

// Asks one module's function; true with `out` set when it has a text.
bool AskModule(LoadStringFromResourceFunction function, unsigned int number,
               StringBase<char>& out) {
  // Zero-filled, so a module that claims a text but writes nothing yields
  // the empty text rather than stale memory.
  auto small = std::make_unique<char[]>(FirstBufferSize);
  const unsigned int length = function(number, FirstBufferSize, small.get());
  if (length == 0) return false;
  if (length < FirstBufferSize) {
    TakeText(small.get(), FirstBufferSize, out);
    return true;
  }
  // A claim beyond any sane text counts as no text from this module, as an
  // answer of 0 does, so the search goes on: one broken module must not
  // hide the texts of the modules after it. (This also keeps length + 1
  // from wrapping round.)
  if (length > MaxTextLength) return false;
  const unsigned int size = length + 1;
  auto large = std::make_unique<char[]>(size);
  std::memcpy(large.get(), small.get(), FirstBufferSize);
  small.reset();
  function(number, size, large.get());  // the second answer is not examined
  TakeText(large.get(), size, out);
  return true;
}

using LibraryList = std::vector<std::unique_ptr<DynamicLibrary>>;

// The objects the loader has loaded, in its order, each in its owner:
// deleting one calls its "ModuleInit" with 0 and drops its reference. Empty
// when the loader lists nothing. The listing hands its objects over as
// plain pointers, also those it made before running out of memory; each is
// in an owner before anything else can fail.
LibraryList LoadedLibraries(const Process& process) {
  std::vector<DynamicLibrary*> listed;
  LibraryList owned;
  try {
    if (!process.GetLoadedLibraries(listed)) return owned;
    owned.reserve(listed.size());
  } catch (...) {
    // Memory ran out while listing or reserving: the objects listed so far
    // are ours all the same, and go at once.
    for (DynamicLibrary* library : listed) std::unique_ptr<DynamicLibrary> gone(library);
    throw;
  }
  for (DynamicLibrary* library : listed) owned.emplace_back(library);  // reserved: cannot throw
  return owned;
}

// Asks every loaded shared object in the loader's order; the first one with
// a text wins.
bool AskLanguageModules(unsigned int number, StringBase<char>& out) {
  Process* process = nullptr;
  try {
    process = Process::Current();
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    // No process descriptor (its executable path could not be resolved):
    // no list of loaded objects either, so nobody can be asked.
    return false;
  }
  if (process == nullptr) return false;

  const LibraryList libraries = LoadedLibraries(*process);
  const StringBase<char> symbol("OrvLoadStringFromResource");
  for (const std::unique_ptr<DynamicLibrary>& library : libraries) {
    if (library == nullptr) continue;
    // Only the object's own function: the main program's handle sees the
    // whole global scope, and any handle its object's dependencies, which
    // would ask a module out of its turn (and again in its own).
    void* address = library->GetOwnSymbol(symbol);
    if (address == nullptr) continue;
    // dlsym hands out functions as object pointers; copy the bits across.
    LoadStringFromResourceFunction function = nullptr;
    static_assert(sizeof function == sizeof address, "function pointer size");
    std::memcpy(&function, &address, sizeof function);
    if (AskModule(function, number, out)) return true;
  }
  return false;
}

}  // namespace

MessageEntry::MessageEntry(unsigned int messageNumber, const char* messageText)
    : number(messageNumber), text(messageText) {}

bool RegisterMessage(const StringBase<char>& /*moduleName*/, const MessageEntry& entry) {
  Table* table = GetTable();
  if (table == nullptr) return false;
  return table->texts.emplace(std::string(KeyOf(entry.number).View()), entry.text).second;
}

bool LoadMessageText(const StringBase<char>& /*moduleName*/, unsigned int number,
                     StringBase<char>& out) {
  if (Table* table = GetTable()) {
    const auto found = table->texts.find(KeyOf(number).View());
    if (found != table->texts.end()) {
      out = found->second;
      return true;
    }
  }
  return AskLanguageModules(number, out);
}

bool GetMessageText(StringBase<char>& out, unsigned int number) {
  // The base library's module name; it takes no part in the lookup. Built
  // once in place and never destroyed, so lookups during unload still have
  // it; a three-letter string owns no heap memory.
  alignas(StringBase<char>) static unsigned char storage[sizeof(StringBase<char>)];
  static const StringBase<char>* const baseModuleName = new (storage) StringBase<char>("orv");
  return LoadMessageText(*baseModuleName, number, out);
}

}  // namespace orv
