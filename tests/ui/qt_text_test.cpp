#include "ui/qt_text.h"

#include <gtest/gtest.h>
#include <string>

#include "platform/encoding.h"

namespace sfx {
namespace {

TEST(QtTextTest, ProgramTextsShowAsTheirCharacters) {
  struct Case {
    const char* name;
    std::string programText;
    QString shown;
  };
  const QChar bad = QChar::ReplacementCharacter;
  const Case cases[] = {
      {"empty", "", ""},
      {"ascii", "http://a/b.mp3", "http://a/b.mp3"},
      {"two-byte characters", programText("音效下载"), QStringLiteral("音效下载")},
      {"four-byte character", std::string("\x95\x32\x82\x36", 4), QString::fromUcs4(U"\U00020000", 1)},
      {"zero byte kept", std::string("a\0b", 3), QString::fromUtf8("a\0b", 3)},
      // textLeft may cut a character; the rest must still show.
      {"cut at the end", programText("音效").substr(0, 3), QStringLiteral("音") + bad},
      {"stray byte inside", "a\x80" + programText("音"), QStringLiteral("a") + bad + QStringLiteral("音")},
      {"bad trail byte", std::string("\xD2\x7F", 2) + "z", QString(bad) + QChar(0x7F) + QStringLiteral("z")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(toQString(c.programText), c.shown);
  }
}

TEST(QtTextTest, TypedTextsBecomeProgramTextsUnchanged) {
  const QString typed = QStringLiteral("雨声 rain ") + QString::fromUcs4(U"\U00020000", 1) + QStringLiteral("€");
  const std::string text = fromQString(typed);
  EXPECT_EQ(text.substr(0, 4), programText("雨声"));
  EXPECT_EQ(toQString(text), typed);
  EXPECT_EQ(fromQString(QString()), "");
}

}  // namespace
}  // namespace sfx
