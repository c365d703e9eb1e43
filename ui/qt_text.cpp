#include "ui/qt_text.h"

#include <algorithm>

#include "platform/encoding.h"

namespace sfx {
namespace {

bool inRange(unsigned char byte, unsigned char low, unsigned char high) { return byte >= low && byte <= high; }

// Length of the GB18030 character that starts at `at`, or 0 when the bytes
// there cannot begin a character: one byte below 0x80, two bytes with a lead
// of 0x81..0xFE and a trail of 0x40..0xFE other than 0x7F, four bytes of the
// form lead, digit, lead, digit.
std::size_t characterLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const std::size_t left = text.size() - at;
  if (byte(0) < 0x80) return 1;
  if (!inRange(byte(0), 0x81, 0xFE) || left < 2) return 0;
  if (inRange(byte(1), 0x40, 0xFE) && byte(1) != 0x7F) return 2;
  if (left >= 4 && inRange(byte(1), 0x30, 0x39) && inRange(byte(2), 0x81, 0xFE) && inRange(byte(3), 0x30, 0x39))
    return 4;
  return 0;
}

// The slow road, taken only for a text that does not convert whole.
QString toQStringCharacterwise(std::string_view text) {
  QString out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t length = characterLength(text, at);
    const ConvertResult one = length ? gb18030ToUtf8(text.substr(at, length)) : ConvertResult{ConvertError::InvalidInput, {}};
    if (one.error == ConvertError::Ok) {
      out += QString::fromUtf8(one.text.data(), static_cast<qsizetype>(one.text.size()));
      at += length;
    } else {
      out += QChar::ReplacementCharacter;
      at += 1;
    }
  }
  return out;
}

}  // namespace

QString toQString(std::string_view programText) {
  // IDs, numbers and most URLs are plain ASCII, the same in both encodings.
  const bool ascii = std::all_of(programText.begin(), programText.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return QString::fromLatin1(programText.data(), static_cast<qsizetype>(programText.size()));
  const ConvertResult whole = gb18030ToUtf8(programText);
  if (whole.error == ConvertError::Ok)
    return QString::fromUtf8(whole.text.data(), static_cast<qsizetype>(whole.text.size()));
  return toQStringCharacterwise(programText);
}

std::string fromQString(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return utf8ToGb18030(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))).text;
}

}  // namespace sfx
