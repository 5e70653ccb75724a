// orv/startup/IpAddress.cpp - one IPv4 or IPv6 host address as a value.
#include "orv/startup/IpAddress.h"

#include <cstring>

namespace orv {

struct IpAddress::Data {
  unsigned char bytes[ByteCount] = {127, 0, 0, 1};
  StringBase<char> text;
  std::int32_t family = FamilyIPv4;
};

IpAddress::IpAddress() : data_(std::make_unique<Data>()) {}

IpAddress::IpAddress(const IpAddress& other) : data_(std::make_unique<Data>(*other.data_)) {}

IpAddress& IpAddress::operator=(const IpAddress& other) {
  // The copy is made before anything changes, so a failure leaves this
  // address as it was.
  if (this != &other) data_ = std::make_unique<Data>(*other.data_);
  return *this;
}

IpAddress::~IpAddress() = default;

bool IpAddress::SetBytes(const unsigned char* bytes, std::size_t length) {
  data_->text.clear();
  if (bytes == nullptr) return false;
  if (length == 4) {
    std::memset(data_->bytes, 0, ByteCount);
    std::memcpy(data_->bytes, bytes, 4);
    data_->family = FamilyIPv4;
    return true;
  }
  if (length == ByteCount) {
    static const unsigned char loopback6[ByteCount] = {0, 0, 0, 0, 0, 0, 0, 0,
                                                       0, 0, 0, 0, 0, 0, 0, 1};
    if (std::memcmp(bytes, loopback6, ByteCount) == 0) {
      // ::1 is kept as the IPv4 loopback so that both loopbacks compare alike.
      std::memset(data_->bytes, 0, ByteCount);
      static const unsigned char loopback4[4] = {127, 0, 0, 1};
      std::memcpy(data_->bytes, loopback4, 4);
      data_->family = FamilyIPv4;
    } else {
      std::memcpy(data_->bytes, bytes, ByteCount);
      data_->family = FamilyIPv6;
    }
    return true;
  }
  return false;
}

void IpAddress::Clear() {
  std::memset(data_->bytes, 0, ByteCount);
  data_->text.clear();
  data_->family = FamilyNone;
}

const unsigned char* IpAddress::GetBytes() const noexcept { return data_->bytes; }

std::int32_t IpAddress::GetFamily() const noexcept { return data_->family; }

const StringBase<char>& IpAddress::GetText() const noexcept { return data_->text; }

}  // namespace orv
