// Where the characters of a program text begin.
//
// Texts are GB18030: an ASCII byte is a character of its own, a lead byte
// (0x81 or more) starts a two-byte character, and a lead byte followed by a
// digit, a lead byte and a digit is one four-byte character. Searches step
// from character to character so that a match never begins inside one.
#pragma once

#include <cstddef>
#include <string_view>

namespace sfx {

[[nodiscard]] constexpr bool isLeadByte(unsigned char byte) { return byte >= 0x81; }

// Number of bytes of the character that starts at `at` (1, 2 or 4). A lead
// byte with nothing after it is taken as a character of one byte.
[[nodiscard]] constexpr std::size_t characterLength(std::string_view text, std::size_t at) {
  const auto byteAt = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto isDigit = [](unsigned char byte) { return byte >= '0' && byte <= '9'; };
  const auto isFourByteLead = [](unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; };
  if (!isLeadByte(byteAt(at)) || at + 1 >= text.size()) return 1;
  // Stepping two bytes at a time would put a character start in the middle of
  // a four-byte character, where a sought text beginning with a four-byte
  // character could match across two characters.
  if (at + 3 < text.size() && isFourByteLead(byteAt(at)) && isDigit(byteAt(at + 1)) &&
      isFourByteLead(byteAt(at + 2)) && isDigit(byteAt(at + 3)))
    return 4;
  return 2;
}

}  // namespace sfx
