#include "text/text_number.h"

#include <array>
#include <charconv>
#include <cmath>

#include "text/character.h"

namespace sfx {
namespace {

// Room for any "%.13g" form (sign, 13 digits, point, "e-308") and for
// "-9223372036854775808", with margin.
constexpr std::size_t kNumberTextCapacity = 40;

// Exponents are written with at least three digits ("1e-005"), the form the
// windows have always shown.
constexpr std::size_t kExponentDigits = 3;

constexpr int kRealDigits = 13;
constexpr int kFloatDigits = 6;
// A six-digit significand lies in [100000, 1000000).
constexpr double kSixDigitFloor = 1e5;
constexpr double kSixDigitCeiling = 1e6;

// Full-width forms that textToInt reads as ASCII.
constexpr unsigned char kFullWidthLead = 0xA3;       // 0xA3 0xA1..0xFE: full-width ASCII
constexpr unsigned char kFullWidthFirstTrail = 0xA1;
constexpr unsigned char kFullWidthLastTrail = 0xFE;
constexpr unsigned char kSymbolLead = 0xA1;
constexpr unsigned char kIdeographicSpaceTrail = 0xA1;
constexpr unsigned char kWaveDashTrail = 0xAB;
constexpr unsigned char kWhiteStarTrail = 0xEE;
constexpr unsigned char kBlackStarTrail = 0xEF;

// Replaces full-width characters by their ASCII reading; other characters
// stay, a lead byte cut off at the very end is dropped.
std::string foldFullWidth(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = characterLength(text, at);
    const auto lead = static_cast<unsigned char>(text[at]);
    if (length == 1) {
      if (!isLeadByte(lead)) folded += text[at];  // a lone lead byte is one cut off at the end
    } else if (length == 2) {
      const auto trail = static_cast<unsigned char>(text[at + 1]);
      if (lead == kFullWidthLead && trail >= kFullWidthFirstTrail && trail <= kFullWidthLastTrail)
        folded += static_cast<char>(trail & 0x7F);
      else if (lead == kSymbolLead && trail == kIdeographicSpaceTrail)
        folded += ' ';
      else if (lead == kSymbolLead && trail == kWaveDashTrail)
        folded += '~';
      else if (lead == kSymbolLead && (trail == kWhiteStarTrail || trail == kBlackStarTrail))
        folded += '*';
      else
        folded.append(text.substr(at, 2));
    } else {
      folded.append(text.substr(at, length));
    }
    at += length;
  }
  return folded;
}

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// "1e-05" becomes "1e-005"; a text without an exponent is left alone.
void widenExponent(std::string& text) {
  const std::size_t e = text.find('e');
  if (e == std::string::npos) return;
  const std::size_t firstDigit = e + 2;  // after the sign, which to_chars always writes
  const std::size_t digits = text.size() - firstDigit;
  if (digits < kExponentDigits) text.insert(firstDigit, kExponentDigits - digits, '0');
}

// The "%.*g" form with a three-digit exponent; negative zero reads "0".
std::string generalText(double value, int significantDigits) {
  if (value == 0) return "0";
  // The sign of a NaN means nothing, and 0.0 / 0.0 on x86 gives one with the
  // sign bit set, which to_chars would write "-nan".
  if (std::isnan(value)) return "nan";
  std::array<char, kNumberTextCapacity> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                          std::chars_format::general, significantDigits);
  if (error != std::errc{}) return {};  // cannot happen with kNumberTextCapacity
  std::string text(buffer.data(), end);
  widenExponent(text);
  return text;
}

double scaleByPowerOfTen(double value, int power) {
  // Dividing by an exact 10^k keeps a scaled-down value correctly rounded.
  return power >= 0 ? value * std::pow(10.0, power) : value / std::pow(10.0, -power);
}

// Magnitude rounded to six significant digits, halves up.
double roundToSixDigits(double magnitude) {
  int exponent = static_cast<int>(std::floor(std::log10(magnitude)));
  double scaled = scaleByPowerOfTen(magnitude, kFloatDigits - 1 - exponent);
  // log10 can be one off next to a power of ten.
  if (scaled >= kSixDigitCeiling)
    scaled = scaleByPowerOfTen(magnitude, kFloatDigits - 1 - ++exponent);
  else if (scaled < kSixDigitFloor)
    scaled = scaleByPowerOfTen(magnitude, kFloatDigits - 1 - --exponent);
  return scaleByPowerOfTen(std::round(scaled), exponent - (kFloatDigits - 1));
}

}  // namespace

std::int32_t textToInt(std::string_view text) {
  const std::string folded = foldFullWidth(text);
  std::size_t at = 0;
  while (at < folded.size() && isSpace(folded[at])) ++at;
  bool negative = false;
  if (at < folded.size() && (folded[at] == '+' || folded[at] == '-')) negative = folded[at++] == '-';
  // Unsigned arithmetic wraps modulo 2^32 without undefined behaviour.
  std::uint32_t value = 0;
  for (; at < folded.size() && folded[at] >= '0' && folded[at] <= '9'; ++at)
    value = value * 10u + static_cast<std::uint32_t>(folded[at] - '0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::string intToText(std::int64_t value) {
  std::array<char, kNumberTextCapacity> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  if (error != std::errc{}) return {};  // cannot happen with kNumberTextCapacity
  return std::string(buffer.data(), end);
}

std::string realToText(double value) { return generalText(value, kRealDigits); }

std::string floatToText(float value) {
  if (!std::isfinite(value) || value == 0) return generalText(value, kFloatDigits);
  const double rounded = roundToSixDigits(std::fabs(static_cast<double>(value)));
  return generalText(std::copysign(rounded, static_cast<double>(value)), kFloatDigits);
}

}  // namespace sfx
