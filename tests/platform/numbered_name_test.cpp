#include "platform/numbered_name.h"

#include <gtest/gtest.h>

#include <string>

namespace sfx {
namespace {

bool isValidUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

std::string repeat(const std::string& piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

TEST(NumberedName, InsertsTheNumberBeforeTheExtension) {
  struct Case {
    const char* name;
    std::string input;
    int n;
    std::string expected;
  };
  const Case cases[] = {
      {"the name itself", "rain.mp3", 0, "rain.mp3"},
      {"first number", "rain.mp3", 1, "rain(1).mp3"},
      {"two digits", "rain.mp3", 12, "rain(12).mp3"},
      {"no dot", "rain", 2, "rain(2)"},
      {"last dot only", "a.b.c.wav", 1, "a.b.c(1).wav"},
      {"dot first: all extension", ".mp3", 1, "(1).mp3"},
      {"dot last", "rain.", 1, "rain(1)."},
      {"query kept in the extension", "rain.mp3?x=1", 1, "rain(1).mp3?x=1"},
      {"Chinese stem", "雨声.mp3", 1, "雨声(1).mp3"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(numberedName(c.input, c.n), c.expected) << c.name;
  }
}

TEST(NumberedName, LongNamesAreCutAtACharacterToFitTheLimit) {
  const std::string chinese = repeat("声", 90);  // 270 bytes, 3 a character
  struct Case {
    const char* name;
    std::string input;
    int n;
    std::string expected;
  };
  const Case cases[] = {
      {"exactly at the limit stays", repeat("a", 251) + ".mp3", 0, repeat("a", 251) + ".mp3"},
      {"the stem gives way to the number", repeat("a", 251) + ".mp3", 1, repeat("a", 248) + "(1).mp3"},
      {"cut before a whole character", chinese + ".mp3", 1, repeat("声", 82) + "(1).mp3"},
      {"the name itself is cut too", chinese + ".mp3", 0, repeat("声", 83) + ".mp3"},
      {"no dot", chinese, 3, repeat("声", 84) + "(3)"},
      {"an extension longer than the limit", "." + chinese, 1, "(1)." + repeat("声", 83)},
  };
  for (const Case& c : cases) {
    const std::string result = numberedName(c.input, c.n);
    EXPECT_EQ(result, c.expected) << c.name;
    EXPECT_LE(result.size(), kMaxFileNameBytes) << c.name;
    EXPECT_TRUE(isValidUtf8(result)) << c.name;
  }
}

}  // namespace
}  // namespace sfx
