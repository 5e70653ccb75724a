// orv/error/internal/CatalogueText.h - the catalogue's texts without copies:
// the library's own texts registered in place, and lookups that hand out a
// view of the stored text.
//
// Not part of the public API: neither exported nor installed. Defined with
// the catalogue in MessageCatalogue.cpp.
#ifndef ORV_ERROR_INTERNAL_CATALOGUETEXT_H
#define ORV_ERROR_INTERNAL_CATALOGUETEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orv {
namespace internal {

/// A text that outlives the catalogue (a string literal), with its number.
struct StaticMessage {
  std::uint32_t number;
  const char* text;
};

/// Registers `count` texts at once, each by the rule of RegisterMessage (a
/// number that already has a text keeps it), without copying them.
/// `messages` must be sorted by number, hold no number twice, and outlive
/// the catalogue. Returns how many were stored. Call only during static
/// initialisation. Throws std::bad_alloc; the table is then unchanged.
std::size_t RegisterStaticMessages(const StaticMessage* messages, std::size_t count);

/// What GetMessageText finds for `number`, without copying a registered
/// text: `text` then views the stored text, which stays valid and unchanged
/// as long as the catalogue exists; a language module's text is put into
/// `storage` and `text` views that. False when nobody has a text; `text` and
/// `storage` are then unchanged. Throws as GetMessageText does.
bool FindMessageText(std::uint32_t number, std::string_view& text, std::string& storage);

}  // namespace internal
}  // namespace orv

#endif
