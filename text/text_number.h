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

// Leading integer of a text: full-width digits, signs and spaces folded to
// ASCII, leading white space skipped, optional sign, decimal digits; no
// digits gives 0. The value wraps modulo 2^32 instead of saturating, so
// "4294967296" reads 0 and "2147483648" reads -2147483648.
[[nodiscard]] std::int32_t textToInt(std::string_view text);

// Plain decimal digits with "-" for a negative number. Takes 64 bits so byte
// counts print whole; a 32-bit value prints the same.
[[nodiscard]] std::string intToText(std::int64_t value);

// At most 13 significant digits, trailing zeros dropped; exponent form with a
// three-digit exponent ("1e-005") below 1e-4 or from 1e13. Negative zero
// reads "0"; infinities and NaN read "inf", "-inf", "nan".
[[nodiscard]] std::string realToText(double value);

// Rounded to six significant digits with halves up, so binary noise never
// shows (0.1f reads "0.1"); exponent form below 1e-4 or from 1e6
// ("1.23457e+006"). Zeros and non-finite values as realToText.
[[nodiscard]] std::string floatToText(float value);

}  // namespace sfx
