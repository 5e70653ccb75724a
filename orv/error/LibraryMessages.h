// orv/error/LibraryMessages.h - the library's own 139 default message texts.
//
// The library's load order holds one LibraryMessages object, constructed
// after the service registrars and before the library module, so the
// catalogue is complete before any service starts. Programs that link the
// base library without that load order call RegisterLibraryMessages.
#ifndef ORV_ERROR_LIBRARYMESSAGES_H
#define ORV_ERROR_LIBRARYMESSAGES_H

#include <cstddef>

#include "orv/Export.h"
#include "orv/text/StringBase.h"

namespace orv {

/// Registers every text of the library's table through RegisterMessage under
/// `moduleName`. A number that already has a text keeps it. Returns how many
/// texts were newly stored (139 on the first call into an empty catalogue,
/// 0 on a repeated call). Call only during static initialisation or before
/// any other thread looks texts up. Throws std::bad_alloc when memory is
/// exhausted; the texts stored until then stay.
ORV_API std::size_t RegisterLibraryMessages(const StringBase<char>& moduleName);

/// The number of texts in the library's table: 139.
ORV_API std::size_t LibraryMessageCount() noexcept;

/// The static object of the load order: its constructor registers all texts
/// (RegisterLibraryMessages); its destructor does nothing, since the
/// catalogue outlives it and goes with the library.
class ORV_API LibraryMessages {
 public:
  explicit LibraryMessages(const StringBase<char>& moduleName);
  ~LibraryMessages();
  LibraryMessages(const LibraryMessages&) = delete;
  LibraryMessages& operator=(const LibraryMessages&) = delete;
};

}  // namespace orv

#endif
