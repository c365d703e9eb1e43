#include "platform/encoding.h"

#include <cerrno>
#include <iconv.h>

namespace sfx {
namespace {

// Converts the whole input or nothing. Neither //TRANSLIT nor //IGNORE is
// asked for, so iconv stops at the first sequence it cannot take.
ConvertResult convert(const char* to, const char* from, std::string_view input) {
  if (input.empty()) return {};
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {ConvertError::Unavailable, {}};

  std::string out;
  // GB18030 takes at most 4 bytes per character and UTF-8 at most 4, against
  // at least 1 input byte: twice the input is a good first guess.
  out.resize(input.size() * 2 + 16);
  char* in = const_cast<char*>(input.data());  // iconv's signature; input is not written
  size_t inLeft = input.size();
  size_t used = 0;
  ConvertError error = ConvertError::Ok;
  while (inLeft > 0) {
    char* outPtr = out.data() + used;
    size_t outLeft = out.size() - used;
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    used = out.size() - outLeft;
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    error = ConvertError::InvalidInput;  // EILSEQ, or EINVAL for a sequence cut off at the end
    break;
  }
  iconv_close(cd);
  if (error != ConvertError::Ok) return {error, {}};
  out.resize(used);
  // Pages are large and kept for a while: do not hold the unused half.
  out.shrink_to_fit();
  return {ConvertError::Ok, std::move(out)};
}

bool inRange(unsigned char byte, unsigned char low, unsigned char high) { return byte >= low && byte <= high; }

// Length of the GB18030 character that starts at `at`, or 0 when the bytes
// there cannot begin one: one byte below 0x80; two bytes, a lead of
// 0x81..0xFE and a trail of 0x40..0xFE other than 0x7F; four bytes of the
// form lead, digit, lead, digit.
std::size_t gb18030CharacterLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const std::size_t left = text.size() - at;
  if (byte(0) < 0x80) return 1;
  if (!inRange(byte(0), 0x81, 0xFE) || left < 2) return 0;
  if (inRange(byte(1), 0x40, 0xFE) && byte(1) != 0x7F) return 2;
  if (left >= 4 && inRange(byte(1), 0x30, 0x39) && inRange(byte(2), 0x81, 0xFE) && inRange(byte(3), 0x30, 0x39))
    return 4;
  return 0;
}

}  // namespace

const char* toString(ConvertError error) {
  switch (error) {
    case ConvertError::Ok:
      return "ok";
    case ConvertError::InvalidInput:
      return "invalid or incomplete character sequence";
    case ConvertError::Unavailable:
      return "converter unavailable";
  }
  return "unknown conversion error";
}

ConvertResult utf8ToGb18030(std::string_view utf8) { return convert("GB18030", "UTF-8", utf8); }

ConvertResult gb18030ToUtf8(std::string_view gb18030) { return convert("UTF-8", "GB18030", gb18030); }

std::string gb18030ToUtf8Replacing(std::string_view gb18030, std::string_view replacement) {
  ConvertResult whole = gb18030ToUtf8(gb18030);
  if (whole.error == ConvertError::Ok) return std::move(whole.text);
  // The slow road, character by character, only for a text that does not convert whole.
  std::string out;
  for (std::size_t at = 0; at < gb18030.size();) {
    const std::size_t length = gb18030CharacterLength(gb18030, at);
    const ConvertResult one = length ? gb18030ToUtf8(gb18030.substr(at, length)) : ConvertResult{ConvertError::InvalidInput, {}};
    out += one.error == ConvertError::Ok ? std::string_view(one.text) : replacement;
    at += length ? length : 1;
  }
  return out;
}

std::string programText(std::string_view utf8) { return utf8ToGb18030(utf8).text; }

}  // namespace sfx
