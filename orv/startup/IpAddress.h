// orv/startup/IpAddress.h - one IPv4 or IPv6 host address as a value.
#ifndef ORV_STARTUP_IPADDRESS_H
#define ORV_STARTUP_IPADDRESS_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "orv/Export.h"
#include "orv/text/StringBase.h"

namespace orv {

/// An address of the IPv4 or IPv6 family. Its contents live in an owned heap
/// part; copies are deep. A value type: distinct objects may be used on
/// distinct threads; one object read by several threads at once is safe
/// while none changes it.
///
/// Families: 0 no address, 4 IPv4, 8 IPv6. The 16 address bytes are kept in
/// network order; an IPv4 address fills the first 4 and leaves 12 zeros.
class ORV_API IpAddress {
 public:
  /// Families as reported by GetFamily().
  static constexpr std::int32_t FamilyNone = 0;
  static constexpr std::int32_t FamilyIPv4 = 4;
  static constexpr std::int32_t FamilyIPv6 = 8;
  /// Number of address bytes held.
  static constexpr std::size_t ByteCount = 16;

  /// The IPv4 loopback address 127.0.0.1 (family 4), empty text form.
  /// Throws std::bad_alloc when the heap part cannot be allocated.
  IpAddress();
  /// Deep copy. Throws std::bad_alloc; `other` is unchanged.
  IpAddress(const IpAddress& other);
  /// Deep copy. Throws std::bad_alloc; this address is then unchanged.
  IpAddress& operator=(const IpAddress& other);
  ~IpAddress();

  /// Sets the address from `length` bytes in network order. The text form is
  /// emptied in every case.
  ///   4 bytes                   => family 4, bytes copied, 12 zeros behind
  ///   16 bytes ::1              => family 4, 127.0.0.1
  ///   16 bytes, any other value => IPv6, family 8
  ///   any other length          => false; bytes and family unchanged
  /// A null `bytes` is treated like a wrong length. Returns whether the
  /// address was set.
  bool SetBytes(const unsigned char* bytes, std::size_t length);

  /// Zeroes the 16 bytes, empties the text form, sets the family to 0.
  void Clear();

  /// The 16 address bytes (valid as long as this object lives).
  const unsigned char* GetBytes() const noexcept;
  /// 0, 4 or 8 (see above).
  std::int32_t GetFamily() const noexcept;
  /// The text form; nothing in the library fills it.
  const StringBase<char>& GetText() const noexcept;

 private:
  struct Data;
  std::unique_ptr<Data> data_;  // never null
};

}  // namespace orv

#endif
