#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace sfx {
namespace {

struct Pair {
  const char* name;
  std::string utf8;
  std::string gb18030;
};

// Known forms of both encodings, from the one-byte range to the four-byte
// forms of characters outside GBK.
const Pair kPairs[] = {
    {"ASCII", "abc/0_0_1.mp3", "abc/0_0_1.mp3"},
    {"two-byte Chinese", "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},              // 中文
    {"full-width digits", "\xEF\xBC\x91\xEF\xBC\x92", "\xA3\xB1\xA3\xB2"},            // １２
    {"GBK trail byte 0x5C", "\xE6\x98\x9E", "\x95\x5C"},                               // 昞
    {"emoji U+1F600", "\xF0\x9F\x98\x80", "\x94\x39\xFC\x36"},
    {"extension B U+20000", "\xF0\xA0\x80\x80", "\x95\x32\x82\x36"},
    {"byte-order mark", "\xEF\xBB\xBF" "a", "\x84\x31\x95\x33" "a"},
    {"mixed", "\xE9\x9B\xB7\xE5\xA3\xB0 rain.wav", "\xC0\xD7\xC9\xF9 rain.wav"},      // 雷声
};

TEST(Encoding, ConvertsKnownFormsBothWays) {
  for (const Pair& p : kPairs) {
    const ConvertResult toGb = utf8ToGb18030(p.utf8);
    EXPECT_EQ(toGb.error, ConvertError::Ok) << p.name;
    EXPECT_EQ(toGb.text, p.gb18030) << p.name;
    const ConvertResult toUtf8 = gb18030ToUtf8(p.gb18030);
    EXPECT_EQ(toUtf8.error, ConvertError::Ok) << p.name;
    EXPECT_EQ(toUtf8.text, p.utf8) << p.name;
  }
}

TEST(Encoding, EmptyInputGivesEmptyText) {
  const ConvertResult toGb = utf8ToGb18030("");
  EXPECT_EQ(toGb.error, ConvertError::Ok);
  EXPECT_TRUE(toGb.text.empty());
  const ConvertResult toUtf8 = gb18030ToUtf8("");
  EXPECT_EQ(toUtf8.error, ConvertError::Ok);
  EXPECT_TRUE(toUtf8.text.empty());
}

TEST(Encoding, LongTextRoundTrips) {
  // Far more output than the first buffer guess, so the buffer must grow.
  std::string utf8;
  for (int i = 0; i < 5000; ++i) utf8 += "\xE5\xA3\xB0\xF0\x9F\x98\x80x";  // 声😀x
  const ConvertResult toGb = utf8ToGb18030(utf8);
  ASSERT_EQ(toGb.error, ConvertError::Ok);
  EXPECT_EQ(toGb.text.size(), 5000u * 7);
  const ConvertResult back = gb18030ToUtf8(toGb.text);
  ASSERT_EQ(back.error, ConvertError::Ok);
  EXPECT_EQ(back.text, utf8);
}

TEST(Encoding, InvalidOrCutOffInputGivesNothing) {
  struct Case {
    const char* name;
    ConvertResult (*convert)(std::string_view);
    std::string input;
  };
  const Case cases[] = {
      {"UTF-8 bad continuation", utf8ToGb18030, "ok \xC3\x28 ok"},
      {"UTF-8 overlong slash", utf8ToGb18030, "a\xC0\xAF" "b"},
      {"UTF-8 surrogate", utf8ToGb18030, "a\xED\xA0\x80" "b"},
      {"UTF-8 stray continuation", utf8ToGb18030, "a\x80" "b"},
      {"UTF-8 byte 0xFF", utf8ToGb18030, "a\xFF" "b"},
      {"UTF-8 cut off after valid text", utf8ToGb18030, "\xE4\xB8\xAD\xE4\xB8"},
      {"UTF-8 four-byte cut off", utf8ToGb18030, "x\xF0\x9F\x98"},
      {"GB18030 bad trail byte", gb18030ToUtf8, "a\x81\x20" "b"},
      {"GB18030 byte 0x80", gb18030ToUtf8, "a\x80" "b"},
      {"GB18030 byte 0xFF", gb18030ToUtf8, "a\xFF" "b"},
      {"GB18030 lead byte cut off", gb18030ToUtf8, "\xD6\xD0\xCE"},
      {"GB18030 four-byte cut off", gb18030ToUtf8, "x\x94\x39\xFC"},
  };
  for (const Case& c : cases) {
    const ConvertResult result = c.convert(c.input);
    EXPECT_EQ(result.error, ConvertError::InvalidInput) << c.name;
    EXPECT_TRUE(result.text.empty()) << c.name << ": " << result.text;
  }
}

TEST(Encoding, ReplacingConversionKeepsEveryCharacterThatConverts) {
  struct Case {
    const char* name;
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {"valid text whole", "\xD6\xD0\xCE\xC4", "中文"},
      {"stray byte between characters", "a\x80\xD6\xD0", "a_中"},
      {"character cut off at the end", "\xD6\xD0\xCE", "中_"},
      {"bad trail byte: the lead alone is replaced", std::string("\xD2\x7F", 2) + "z", "_\x7Fz"},
      {"four-byte character kept beside a bad byte", "\xFF\x95\x32\x82\x36", "_\xF0\xA0\x80\x80"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(gb18030ToUtf8Replacing(c.input, "_"), c.expected) << c.name;
}

TEST(Encoding, ProgramTextIsTheGb18030FormOfASourceLiteral) {
  EXPECT_EQ(programText("中文"), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(programText("\xC3\x28"), "");  // not UTF-8: nothing rather than a part
}

}  // namespace
}  // namespace sfx
