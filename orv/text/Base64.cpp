// orv/text/Base64.cpp - decoding of Base64 text (RFC 4648, section 4).
#include "orv/text/Base64.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orv {
namespace {

// RFC 4648, table 1. Built once on first use; the initialisation of a
// function-local static is thread-safe, and the string is destroyed when the
// library unloads.
const StringBase<char>& Alphabet() {
  static const StringBase<char> alphabet(
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
  return alphabet;
}

// The 6-bit value of one character: its index in the alphabet, found by a
// linear search. The padding "=" and every foreign character count as 0.
signed char CharacterValue(const char* character) {
  const std::size_t index = Alphabet().find(*character);
  if (index == StringBase<char>::npos) return 0;
  return static_cast<signed char>(index);
}

}  // namespace

std::size_t Base64::Decode(const StringBase<char>& text, unsigned char* out,
                           std::size_t outSize) {
  const StringBase<char> source(text);
  if (out == nullptr) outSize = 0;
  if (outSize != 0) std::memset(out, 0, outSize);

  const std::size_t length = source.size();
  if (length % 4 != 0) return 0;

  std::size_t decoded = length / 4 * 3;
  std::vector<unsigned char> work(decoded + 3);
  const char* p = source.data();
  std::size_t w = 0;
  for (std::size_t i = 0; i < length; i += 4, p += 4) {
    const unsigned v0 = static_cast<unsigned char>(CharacterValue(p));
    const unsigned v1 = static_cast<unsigned char>(CharacterValue(p + 1));
    const unsigned v2 = static_cast<unsigned char>(CharacterValue(p + 2));
    const unsigned v3 = static_cast<unsigned char>(CharacterValue(p + 3));
    work[w++] = static_cast<unsigned char>((v0 << 2) | ((v1 & 0x30) >> 4));
    work[w++] = static_cast<unsigned char>((v1 << 4) | ((v2 & 0x3C) >> 2));
    work[w++] = static_cast<unsigned char>((v2 << 6) | (v3 & 0x3F));
  }

  // Padding is not checked for position: the length drops by everything from
  // the first "=" to the end. A text with more such characters than decoded
  // bytes ("====", "A=======") decodes to nothing rather than wrapping.
  const std::size_t padding = source.find('=');
  if (padding != StringBase<char>::npos) {
    const std::size_t tail = length - padding;
    decoded = tail < decoded ? decoded - tail : 0;
  }

  const std::size_t copied = std::min(decoded, outSize);
  if (copied != 0) std::memcpy(out, work.data(), copied);
  return decoded;
}

}  // namespace orv
