// orv/error/MessageCatalogue.h - numbered message texts and language modules.
//
// The catalogue holds one text per message number: the library's own English
// defaults, registered while the library's static initialisers run. A number
// the catalogue lacks is asked of every loaded shared object that exports
//   extern "C" unsigned int OrvLoadStringFromResource(unsigned int number,
//                                                     unsigned int bufferSize,
//                                                     char* buffer);
// (a "language module"). It returns the length of its text without the
// terminating zero, or 0 for none, and writes the text zero-terminated into
// `buffer`, of which `bufferSize` bytes may be written; when the text does
// not fit it still returns the full length and is called again with a buffer
// of length + 1 bytes. Texts from language modules are never stored: every
// lookup asks again.
//
// Threads: the catalogue is written only during static initialisation (one
// thread, the loader's) and read without a lock afterwards from any thread.
// Lookups that reach the language modules may run on several threads at
// once, so a language module's function must itself allow calls from several
// threads. They share one list of the objects to ask, kept while no object
// is loaded or unloaded and made again at the first lookup after one is;
// each lookup holds a reference on every object it asks until it returns.
#ifndef ORV_ERROR_MESSAGECATALOGUE_H
#define ORV_ERROR_MESSAGECATALOGUE_H

#include <cstdint>

#include "orv/Export.h"
#include "orv/text/StringBase.h"

namespace orv {

/// One default text: a message number and its 8-bit (ISO 8859-1) text with
/// placeholders "%1" to "%9".
struct ORV_API MessageEntry {
  /// A null `text` gives the empty text.
  MessageEntry(unsigned int messageNumber, const char* messageText);

  std::uint32_t number;
  StringBase<char> text;
};

/// The signature of a language module's lookup function.
using LoadStringFromResourceFunction = unsigned int (*)(unsigned int number,
                                                        unsigned int bufferSize,
                                                        char* buffer);

/// Stores `entry.text` under `entry.number` if that number has no text yet
/// and returns true; a number that already has a text keeps it and the
/// result is false. `moduleName` is accepted for the callers' sake and takes
/// no part (there is one table for all modules). Call only during static
/// initialisation. Throws std::bad_alloc when memory is exhausted (the table
/// is then unchanged).
ORV_API bool RegisterMessage(const StringBase<char>& moduleName,
                             const MessageEntry& entry);

/// Sets `out` to the text of `number` and returns true: the registered text
/// if there is one (language modules are then not asked), else the text of
/// the first shared object in the loader's order (the main program first)
/// whose own OrvLoadStringFromResource answers a length other than 0. A
/// module's answer is read only within the buffer handed to it: the text
/// ends at the first zero byte or at the buffer's end. A text is at most
/// 1 MiB (1048576 bytes) long: a longer claim counts as no text from that
/// module, like 0, and the search goes on.
/// Returns false with `out` unchanged when nobody has a text, when the list
/// of loaded objects cannot be had, or when the process descriptor cannot be
/// created. `moduleName` takes no part. Throws std::bad_alloc when memory is
/// exhausted; `out` is then unchanged. Every object listed for the search is
/// released before returning, on every path. A search of the modules tells
/// each loaded object that defines its own "ModuleInit" of its listing, as a
/// DynamicLibrary listing it would: with 1 before any object is asked and
/// with 0 when the search ends.
ORV_API bool LoadMessageText(const StringBase<char>& moduleName, unsigned int number,
                             StringBase<char>& out);

/// LoadMessageText under the base library's module name "orv": the lookup
/// that exception texts use. Same results, outputs and exceptions.
ORV_API bool GetMessageText(StringBase<char>& out, unsigned int number);

}  // namespace orv

#endif
