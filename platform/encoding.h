// Conversions between the program's texts (GB18030 bytes) and UTF-8, the
// encoding of the widgets, file names, web pages and the regex engine.
// Both directions are whole or nothing: a sequence that is invalid or cut
// off anywhere fails the conversion, nothing is replaced or skipped. Valid
// input round-trips. glibc follows GB18030-2022, which gives 24 private-use
// characters (U+E78D..U+E796 and 14 between U+E816 and U+E864) no form of
// their own any more: text holding one of them does not convert.
#pragma once

#include <string>
#include <string_view>

namespace sfx {

enum class ConvertError {
  Ok = 0,
  InvalidInput,  // an invalid or incomplete sequence in the input
  Unavailable,   // the converter could not be opened
};

[[nodiscard]] const char* toString(ConvertError error);

struct ConvertResult {
  ConvertError error = ConvertError::Ok;
  std::string text;  // empty unless error is Ok
};

[[nodiscard]] ConvertResult utf8ToGb18030(std::string_view utf8);
[[nodiscard]] ConvertResult gb18030ToUtf8(std::string_view gb18030);

// UTF-8 form of a text that may hold bytes that are not GB18030 (titles
// and links from web pages are not checked): each character that does not
// convert, and each byte that starts no character, becomes `replacement`.
[[nodiscard]] std::string gb18030ToUtf8Replacing(std::string_view gb18030, std::string_view replacement);

// A program text from UTF-8 source text, such as a caption or a message
// written as a literal in this program's source files.
[[nodiscard]] std::string programText(std::string_view utf8);

}  // namespace sfx
