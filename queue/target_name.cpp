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
  std::string safeTitle = gb18030ToUtf8Replacing(title, std::string_view(&kReplacement, 1));
  std::string safeExtension = gb18030ToUtf8Replacing(extension, std::string_view(&kReplacement, 1));
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
