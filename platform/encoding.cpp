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

std::string programText(std::string_view utf8) { return utf8ToGb18030(utf8).text; }

}  // namespace sfx
