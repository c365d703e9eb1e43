#include "ui/qt_text.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/encoding.h"

namespace sfx {
namespace {

// U+FFFD, the replacement character, in UTF-8.
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

QString fromUtf8(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

}  // namespace

QString toQString(std::string_view programText) {
  // IDs, numbers and most URLs are plain ASCII, the same in both encodings.
  const bool ascii = std::all_of(programText.begin(), programText.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return QString::fromLatin1(programText.data(), static_cast<qsizetype>(programText.size()));
  return fromUtf8(gb18030ToUtf8Replacing(programText, kReplacementUtf8));
}

std::string fromQString(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return utf8ToGb18030(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))).text;
}

}  // namespace sfx
