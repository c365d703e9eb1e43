// Both conversions on arbitrary bytes: whole or nothing, well-formed UTF-8
// converted, and what converts comes back unchanged the other way.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/encoding.h"
#include "tests/fuzz/fuzz_check.h"

namespace sfx {
namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kLastSurrogate = 0xDFFF;
// The Private Use Area of the Basic Multilingual Plane. GB18030-2022 gave
// standard characters the two-byte codes that some of these had, and the
// system's table (glibc 2.36 on Debian 12) leaves those, U+E78D to U+E796 among
// them, with no form at all; the rest of Unicode must convert.
constexpr char32_t kFirstPrivateUse = 0xE000;
constexpr char32_t kLastPrivateUse = 0xF8FF;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The code points of well-formed UTF-8 as Unicode defines it (shortest forms
// only, no surrogates, nothing beyond U+10FFFF); nothing for any other text.
std::optional<std::u32string> decodeUtf8(std::string_view text) {
  std::u32string codePoints;
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t codePoint = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
      length = 1;
      codePoint = lead;
    } else if (lead >= 0xC0 && lead < 0xE0) {
      length = 2;
      codePoint = lead & 0x1F;
      smallest = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      length = 3;
      codePoint = lead & 0x0F;
      smallest = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF8) {
      length = 4;
      codePoint = lead & 0x07;
      smallest = 0x10000;
    } else {
      return std::nullopt;
    }
    if (at + length > text.size()) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
      const auto byte = static_cast<unsigned char>(text[at + i]);
      if (!isContinuation(byte)) return std::nullopt;
      codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    if (codePoint < smallest || codePoint > kLastCodePoint) return std::nullopt;
    if (codePoint >= kFirstSurrogate && codePoint <= kLastSurrogate) return std::nullopt;
    codePoints.push_back(codePoint);
    at += length;
  }
  return codePoints;
}

bool isPrivateUse(char32_t codePoint) { return codePoint >= kFirstPrivateUse && codePoint <= kLastPrivateUse; }

// A conversion either fails with nothing or gives a text that the other
// direction turns back into the input.
void checkRoundTrip(std::string_view input, ConvertResult (*there)(std::string_view),
                    ConvertResult (*back)(std::string_view)) {
  const ConvertResult converted = there(input);
  if (converted.error != ConvertError::Ok) {
    SFX_FUZZ_CHECK(converted.error == ConvertError::InvalidInput);
    SFX_FUZZ_CHECK(converted.text.empty());
    return;
  }
  SFX_FUZZ_CHECK(converted.text.empty() == input.empty());
  const ConvertResult returned = back(converted.text);
  SFX_FUZZ_CHECK(returned.error == ConvertError::Ok);
  SFX_FUZZ_CHECK(returned.text == input);
}

}  // namespace
}  // namespace sfx

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sfx;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  checkRoundTrip(input, utf8ToGb18030, gb18030ToUtf8);
  checkRoundTrip(input, gb18030ToUtf8, utf8ToGb18030);
  // Ill-formed UTF-8 never converts; well-formed UTF-8 always does, but for
  // the private-use characters the system's table may leave out.
  const std::optional<std::u32string> codePoints = decodeUtf8(input);
  const bool converted = utf8ToGb18030(input).error == ConvertError::Ok;
  if (!codePoints) {
    SFX_FUZZ_CHECK(!converted);
  } else if (std::none_of(codePoints->begin(), codePoints->end(), isPrivateUse)) {
    SFX_FUZZ_CHECK(converted);
  }
  return 0;
}
