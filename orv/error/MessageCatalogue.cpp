// orv/error/MessageCatalogue.cpp - the catalogue table and language modules.
#include "orv/error/MessageCatalogue.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "orv/error/internal/CatalogueText.h"
#include "orv/startup/DynamicLibrary.h"
#include "orv/startup/Process.h"
#include "orv/startup/internal/DynamicLoader.h"
#include "orv/text/internal/NoDestructor.h"

namespace orv {
namespace {

// Set once the table has been destroyed at unload, so that a late lookup
// finds nothing instead of touching a destroyed table. Constant-initialised.
bool tableDestroyed = false;

// One text of the catalogue. The library's own texts are literals and are
// kept as views of them; a text registered through RegisterMessage is
// copied into `owned`, which `text` then views.
struct Entry {
  std::uint32_t number;
  std::string_view text;
  std::unique_ptr<StringBase<char>> owned;
};

// The catalogue: one text per message number, sorted by number, one table
// for every module name. (A number and its decimal digits name the same
// entry; sorting by the number finds it without writing the digits.)
struct Table {
  std::vector<Entry> entries;

  Table() = default;
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  ~Table() { tableDestroyed = true; }

  // Where `number` is or would go.
  std::vector<Entry>::iterator Position(std::uint32_t number) {
    return std::lower_bound(entries.begin(), entries.end(), number,
                            [](const Entry& entry, std::uint32_t n) { return entry.number < n; });
  }

  const Entry* Find(std::uint32_t number) {
    const auto at = Position(number);
    return at != entries.end() && at->number == number ? &*at : nullptr;
  }
};

// Created on the first registration or lookup; destroyed when the library
// is unloaded (or the program ends), after the registering objects.
Table* GetTable() {
  if (tableDestroyed) return nullptr;
  static Table table;
  return &table;
}

// --- Asking one language module ---------------------------------------------

// The first call offers this many bytes; longer texts need a second call.
constexpr unsigned int FirstBufferSize = 256;
// No message text is anywhere near this long. A module claiming more is
// broken or hostile: offering it a buffer of that size would touch up to
// 4 GiB and could get the whole process killed.
constexpr unsigned int MaxTextLength = 1u << 20;

constexpr const char* TextFunctionName = "OrvLoadStringFromResource";
constexpr const char* EntryName = "ModuleInit";

// The text a module left in `buffer`: up to the first zero byte, but never
// beyond the `size` bytes the module was given, whether it terminated the
// text or not.
void TakeText(const char* buffer, std::size_t size, std::string& out) {
  const void* end = std::memchr(buffer, '\0', size);
  const std::size_t length =
      end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - buffer)
                     : size;
  // Built first, so a failed allocation leaves `out` unchanged.
  std::string text(buffer, length);
  out.swap(text);
}

// Asks one module's function; true with `out` set when it has a text.
bool AskModule(LoadStringFromResourceFunction function, unsigned int number,
               std::string& out) {
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

// dlsym hands out functions as object pointers; copy the bits across.
template <typename Function>
Function AsFunction(void* address) {
  Function function = nullptr;
  static_assert(sizeof function == sizeof address, "function pointer size");
  std::memcpy(&function, &address, sizeof function);
  return function;
}

// --- Every loaded object, listed anew --------------------------------------

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
// a text wins. Each object is listed through a DynamicLibrary of its own,
// which tells its "ModuleInit" of the listing with 1 and of the release
// with 0.
bool AskEveryObject(const Process& process, unsigned int number, std::string& out) {
  const LibraryList libraries = LoadedLibraries(process);
  const StringBase<char> symbol(TextFunctionName);
  for (const std::unique_ptr<DynamicLibrary>& library : libraries) {
    if (library == nullptr) continue;
    // Only the object's own function: the main program's handle sees the
    // whole global scope, and any handle its object's dependencies, which
    // would ask a module out of its turn (and again in its own).
    void* address = library->GetOwnSymbol(symbol);
    if (address == nullptr) continue;
    if (AskModule(AsFunction<LoadStringFromResourceFunction>(address), number, out)) {
      return true;
    }
  }
  return false;
}

// --- The objects that take part, kept while nothing is loaded or unloaded ---
//
// Listing every object, taking a reference on each and looking for its own
// symbols costs several loader calls per object on every lookup, although
// only the objects that define their own OrvLoadStringFromResource (which
// are asked) or their own "ModuleInit" (which hear of the listing) take any
// part in it. So those are kept, with the loader's counts of loads and
// unloads that the list was made at, and listed again only when the counts
// have moved: an object loaded or unloaded since the last lookup is seen, or
// no longer asked, at the next one. A lookup takes a reference on each kept
// object and reads the counts again before it calls anything: if they still
// match, the referenced objects are exactly the listed ones, and they stay
// loaded until the lookup ends.

using EntryFunction = DynamicLibrary::EntryFunction;

struct Participant {
  std::string name;  // the loader's name for it; empty for the main program
  LoadStringFromResourceFunction ask;  // null if it has no texts to offer
  EntryFunction entry;                 // null if it has no entry of its own
};

struct Participants {
  internal::LoaderCounts counts;  // the loader's counts the list was made at
  std::vector<Participant> list;  // in the loader's order
};

// A reference on a loaded object by the loader's name for it, without
// mapping anything anew or widening its symbol scope; null when no object
// of that name is loaded (any longer).
void* Reference(const std::string& name) {
  return internal::OpenObject(name.c_str(), internal::ReferenceFlags);
}

// Lists the objects that take part as the loader has them now.
std::shared_ptr<const Participants> ListParticipants() {
  auto made = std::make_shared<Participants>();
  std::vector<std::string> names = internal::LoadedObjectNames(&made->counts);
  for (std::string& name : names) {
    void* handle = Reference(name);
    if (handle == nullptr) continue;  // unloaded since: the counts tell
    void* ask = internal::FindOwnSymbol(handle, TextFunctionName);
    void* entry = internal::FindOwnSymbol(handle, EntryName);
    internal::CloseObject(handle);
    if (ask == nullptr && entry == nullptr) continue;
    made->list.push_back(Participant{std::move(name), AsFunction<LoadStringFromResourceFunction>(ask),
                                     AsFunction<EntryFunction>(entry)});
  }
  return made;
}

// The last list made, shared by every thread. The lock guards only the
// exchange of the list; nothing is called under it, so a module that looks
// up a text itself cannot deadlock.
class ParticipantCache {
 public:
  ParticipantCache() = default;
  ParticipantCache(const ParticipantCache&) = delete;
  ParticipantCache& operator=(const ParticipantCache&) = delete;
  ~ParticipantCache();

  // The kept list if it was made at `counts`, else null.
  std::shared_ptr<const Participants> Get(const internal::LoaderCounts& counts) {
    std::lock_guard<std::mutex> hold(lock_);
    if (kept_ != nullptr && internal::SameObjects(kept_->counts, counts)) return kept_;
    return nullptr;
  }

  void Keep(std::shared_ptr<const Participants> participants) {
    std::lock_guard<std::mutex> hold(lock_);
    kept_.swap(participants);
  }

 private:
  std::mutex lock_;
  std::shared_ptr<const Participants> kept_;
};

// Set once the cache has been destroyed at unload: later lookups list every
// object anew. Constant-initialised.
bool cacheDestroyed = false;

ParticipantCache::~ParticipantCache() { cacheDestroyed = true; }

ParticipantCache* GetParticipantCache() {
  if (cacheDestroyed) return nullptr;
  static ParticipantCache cache;
  return &cache;
}

// The references a lookup holds on the participants, and which of them have
// heard 1. Released in the loader's order: each participant that heard 1
// hears 0 (an exception from it is dropped, as a DynamicLibrary's destructor
// drops it), then the reference goes.
class ParticipantReferences {
 public:
  explicit ParticipantReferences(const std::vector<Participant>& list) : list_(list) {
    held_.reserve(list.size());
  }
  ~ParticipantReferences() {
    for (std::size_t i = 0; i < held_.size(); ++i) Release(i);
  }
  ParticipantReferences(const ParticipantReferences&) = delete;
  ParticipantReferences& operator=(const ParticipantReferences&) = delete;

  // A reference on each participant; false when one is no longer loaded.
  bool TakeAll() {
    for (const Participant& participant : list_) {
      void* handle = Reference(participant.name);
      if (handle == nullptr) return false;
      held_.push_back(Held{handle, false});  // reserved: cannot throw
    }
    return true;
  }

  // Calls each entry with 1, in the loader's order. One that throws hears 0
  // at once and loses its reference; the exception passes on, and the
  // participants before it hear 0 when this object goes.
  void TellAll() {
    for (std::size_t i = 0; i < held_.size(); ++i) {
      const EntryFunction entry = list_[i].entry;
      if (entry == nullptr) continue;
      try {
        entry(1);
      } catch (...) {
        held_[i].told = true;
        Release(i);
        throw;
      }
      held_[i].told = true;
    }
  }

 private:
  struct Held {
    void* handle;
    bool told;
  };

  void Release(std::size_t i) noexcept {
    Held& held = held_[i];
    if (held.handle == nullptr) return;
    if (held.told) {
      try {
        list_[i].entry(0);
      } catch (...) {
      }
    }
    internal::CloseObject(held.handle);
    held.handle = nullptr;
  }

  const std::vector<Participant>& list_;
  std::vector<Held> held_;
};

// How often a lookup takes the kept list, or makes a new one, before it
// falls back to listing every object: only objects loaded or unloaded on
// other threads at that very moment, again and again, use up the tries.
constexpr int ParticipantTries = 3;

// Asks every loaded shared object in the loader's order; the first one with
// a text wins.
bool AskLanguageModules(unsigned int number, std::string& out) {
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

  ParticipantCache* cache = GetParticipantCache();
  for (int attempt = 0; cache != nullptr && attempt < ParticipantTries; ++attempt) {
    const internal::LoaderCounts now = internal::CurrentLoaderCounts();
    if (!now.known) break;
    std::shared_ptr<const Participants> participants = cache->Get(now);
    if (participants == nullptr) {
      participants = ListParticipants();
      // Taken while objects came or went: it may lack or hold one too many.
      if (!internal::SameObjects(participants->counts, internal::CurrentLoaderCounts())) continue;
      cache->Keep(participants);
    }
    if (participants->list.empty()) return false;

    ParticipantReferences references(participants->list);
    if (!references.TakeAll()) continue;
    // Unchanged counts: the referenced objects are the listed ones.
    if (!internal::SameObjects(participants->counts, internal::CurrentLoaderCounts())) continue;
    references.TellAll();
    for (const Participant& participant : participants->list) {
      if (participant.ask != nullptr && AskModule(participant.ask, number, out)) return true;
    }
    return false;
  }
  return AskEveryObject(*process, number, out);
}

}  // namespace

MessageEntry::MessageEntry(unsigned int messageNumber, const char* messageText)
    : number(messageNumber), text(messageText) {}

bool RegisterMessage(const StringBase<char>& /*moduleName*/, const MessageEntry& entry) {
  Table* table = GetTable();
  if (table == nullptr) return false;
  const auto at = table->Position(entry.number);
  if (at != table->entries.end() && at->number == entry.number) return false;
  auto owned = std::make_unique<StringBase<char>>(entry.text);
  const std::string_view text(owned->data(), owned->size());
  table->entries.insert(at, Entry{entry.number, text, std::move(owned)});
  return true;
}

std::size_t internal::RegisterStaticMessages(const StaticMessage* messages, std::size_t count) {
  Table* table = GetTable();
  if (table == nullptr) return 0;
  std::vector<Entry>& entries = table->entries;
  const std::size_t before = entries.size();
  entries.reserve(before + count);  // the only step that can fail
  for (std::size_t i = 0; i < count; ++i) {
    const StaticMessage& message = messages[i];
    const auto end = entries.begin() + static_cast<std::ptrdiff_t>(before);
    const auto at = std::lower_bound(
        entries.begin(), end, message.number,
        [](const Entry& entry, std::uint32_t n) { return entry.number < n; });
    if (at != end && at->number == message.number) continue;  // an earlier text stays
    entries.push_back(Entry{message.number, message.text, nullptr});
  }
  // Both runs are sorted: one merge puts the new texts in their places.
  std::inplace_merge(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(before),
                     entries.end(),
                     [](const Entry& a, const Entry& b) { return a.number < b.number; });
  return entries.size() - before;
}

bool internal::FindMessageText(std::uint32_t number, std::string_view& text,
                               std::string& storage) {
  if (Table* table = GetTable()) {
    if (const Entry* entry = table->Find(number)) {
      text = entry->text;
      return true;
    }
  }
  if (!AskLanguageModules(number, storage)) return false;
  text = std::string_view(storage.data(), storage.size());
  return true;
}

bool LoadMessageText(const StringBase<char>& /*moduleName*/, unsigned int number,
                     StringBase<char>& out) {
  if (Table* table = GetTable()) {
    if (const Entry* entry = table->Find(number)) {
      static_cast<std::string&>(out).assign(entry->text.data(), entry->text.size());
      return true;
    }
  }
  return AskLanguageModules(number, out);
}

bool GetMessageText(StringBase<char>& out, unsigned int number) {
  // The base library's module name; it takes no part in the lookup. Never
  // destroyed, so lookups during unload still have it; a three-letter string
  // owns no heap memory.
  static const internal::NoDestructor<StringBase<char>> baseModuleName("orv");
  return LoadMessageText(*baseModuleName, number, out);
}

}  // namespace orv
