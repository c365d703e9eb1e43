// Conversions between numbers and the program's texts.
//
// A text is a std::string of GB18030 bytes (see text_search.h); these
// helpers fix the exact forms that row numbers, page numbers, rates and
// percentages take in the windows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sfx {

// Leading integer of a text: full-width forms folded to ASCII, leading white
// space skipped, optional sign, decimal digits; no digits gives 0. The value
// wraps modulo 2^32 instead of saturating.
[[nodiscard]] std::int32_t textToInt(std::string_view text);

[[nodiscard]] std::string intToText(std::int32_t value);

// At most 13 significant digits, exponent form ("1e-005") below 1e-4 or from 1e13.
[[nodiscard]] std::string realToText(double value);

// Six significant digits, halves rounded up; exponent form below 1e-4 or from 1e6.
[[nodiscard]] std::string floatToText(float value);

}  // namespace sfx
