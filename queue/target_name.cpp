#include "queue/target_name.h"

#include <cstddef>
#include <cstdint>

#include "platform/encoding.h"
#include "text/text_search.h"

namespace sfx {
namespace {

// The usual limit of one file name on Linux file systems (NAME_MAX), in bytes
// of the name's UTF-8 form.
constexpr std::size_t kMaxNameBytes = 255;

// Stands in for every character a file name cannot hold or that could not be
// read, and for a name that would be empty.
constexpr char kReplacement = '_';

// The URL up to its query or fragment, whichever comes first.
std::string withoutQueryAndFragment(std::string_view url) {
  std::int32_t cut = textLength(url) + 1;
  for (const std::string_view mark : {std::string_view("?"), std::string_view("#")}) {
    const std::int32_t at = findText(url, mark);
    if (at > 0 && at < cut) cut = at;
  }
  return textLeft(url, cut - 1);
}

// What follows "scheme://host"; a text without "://" is taken whole, so the
// host never lends its dots to the file name.
std::string urlPath(std::string_view url) {
  const std::string rest = withoutQueryAndFragment(url);
  const std::int32_t scheme = findText(rest, "://");
  if (scheme < 0) return rest;
  const std::int32_t pathStart = findText(rest, "/", scheme + 3);
  if (pathStart < 0) return {};
  return textRight(rest, textLength(rest) - pathStart + 1);
}

// Byte length of the GB18030 character at `at`: 1, 2 or 4; 1 for a byte
// that starts no valid character, which the caller then replaces.
std::size_t gb18030CharLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x81 || lead == 0xFF || at + 1 >= text.size()) return 1;
  const unsigned char second = byte(at + 1);
  if ((second >= 0x40 && second <= 0x7E) || (second >= 0x80 && second <= 0xFE)) return 2;
  if (second >= 0x30 && second <= 0x39 && at + 3 < text.size()) {
    const unsigned char third = byte(at + 2);
    const unsigned char fourth = byte(at + 3);
    if (third >= 0x81 && third <= 0xFE && fourth >= 0x30 && fourth <= 0x39) return 4;
  }
  return 1;
}

// UTF-8 form of a program text that may not be valid GB18030 (page titles
// are not checked): each character that cannot be converted becomes "_".
std::string toUtf8Replacing(std::string_view text) {
  ConvertResult whole = gb18030ToUtf8(text);
  if (whole.error == ConvertError::Ok) return std::move(whole.text);
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = gb18030CharLength(text, at);
    const ConvertResult one = gb18030ToUtf8(text.substr(at, length));
    if (one.error == ConvertError::Ok) {
      out += one.text;
    } else {
      out += kReplacement;
    }
    at += length;
  }
  return out;
}

// Characters that no file name may hold here or on the other systems the
// files may be copied to, and the C0 control characters and DEL.
bool forbiddenInName(unsigned char c) {
  switch (c) {
    case '/':
    case '\\':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
    case 0x7F:
      return true;
    default:
      return c < 0x20;
  }
}

// The C1 control characters, U+0080 to U+009F, are 0xC2 followed by 0x80 to
// 0x9F in UTF-8; GB18030 gives them four-byte forms a page can hold.
constexpr unsigned char kC1Lead = 0xC2;
constexpr unsigned char kC1LastTrail = 0x9F;

// UTF-8 never uses bytes below 0x80 inside a multibyte character, so every
// byte that matches is a character of its own.
void replaceForbidden(std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size(); ++at) {
    const auto byte = static_cast<unsigned char>(utf8[at]);
    if (byte == kC1Lead && at + 1 < utf8.size() && static_cast<unsigned char>(utf8[at + 1]) <= kC1LastTrail) {
      out += kReplacement;
      ++at;
    } else {
      out += forbiddenInName(byte) ? kReplacement : utf8[at];
    }
  }
  utf8 = std::move(out);
}

// Cuts to at most `limit` bytes without splitting a UTF-8 character.
void cutUtf8(std::string& utf8, std::size_t limit) {
  if (utf8.size() <= limit) return;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
  utf8.resize(end);
}

// The title and extension joined into one name fit for the file system (UTF-8).
std::string safeName(std::string_view title, std::string_view extension) {
  std::string safeTitle = toUtf8Replacing(title);
  std::string safeExtension = toUtf8Replacing(extension);
  replaceForbidden(safeTitle);
  replaceForbidden(safeExtension);
  cutUtf8(safeExtension, kMaxNameBytes);
  cutUtf8(safeTitle, kMaxNameBytes - safeExtension.size());
  std::string name = safeTitle + safeExtension;
  if (name.empty()) {
    name = kReplacement;
  } else if (name == "." || name == "..") {
    name.assign(name.size(), kReplacement);
  }
  return name;
}

}  // namespace

TargetName targetNameFor(std::string_view folder, std::string_view title, std::string_view url) {
  TargetName result;
  const std::string path = urlPath(url);
  result.fileName = textRight(path, textLength(path) - findTextFromEnd(path, "/"));
  const std::int32_t dot = findTextFromEnd(result.fileName, ".");
  result.extension = textRight(result.fileName, textLength(result.fileName) - dot + 1);

  // Converting back cannot fail: every character of valid UTF-8 has a GB18030 form.
  const std::string name = utf8ToGb18030(safeName(title, result.extension)).text;
  result.targetPath = std::string(folder);
  if (!result.targetPath.empty() && result.targetPath.back() != '/') result.targetPath += '/';
  result.targetPath += name;
  return result;
}

}  // namespace sfx
