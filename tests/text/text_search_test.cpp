#include "text/text_search.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/encoding.h"

namespace sfx {
namespace {

// GBK characters whose trail byte is an ASCII byte: 昞 is 0x95 0x5C ("\"),
// 乤 is 0x81 0x61 ("a"), 丄 is 0x81 0x41 ("A").
const std::string kBackslashTrail = programText("昞");
const std::string kSmallATrail = programText("乤");
const std::string kCapitalATrail = programText("丄");

// Four-byte characters: 㒭 is 82 30 82 30 and 㐀 is 81 39 EE 39, so their
// bytes from the middle of 㒭 read 82 30 81 39, which is 㒬.
const std::string kTwoFourByteCharacters = programText("㒭㐀");
const std::string kCharacterAcrossThem = programText("㒬");

TEST(FindText, FindsFirstOccurrenceAtCharacterStarts) {
  struct Case {
    const char* name;
    std::string text;
    std::string sought;
    std::int32_t start;
    bool ignoreCase;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"first slash", "a/b/c", "/", 1, false, 2},
      {"absent", "abc", "x", 1, false, -1},
      {"empty sought", "abc", "", 1, false, 1},
      {"both empty", "", "", 1, false, -1},
      {"empty text", "", "a", 1, false, -1},
      {"sought longer than text", "ab", "abc", 1, false, -1},
      {"start after the first", "a/b/c", "/", 3, false, 4},
      {"start on the occurrence", "a/b/c", "/", 4, false, 4},
      {"start after the last", "a/b/c", "/", 5, false, -1},
      {"start on the last byte", "a/b/c", "c", 5, false, 5},
      {"start beyond the end", "a/b/c", "c", 6, false, -1},
      {"start 0 is the beginning", "a/b/c", "/", 0, false, 2},
      {"negative start is the beginning", "a/b/c", "/", -7, false, 2},
      {"case differs", "ABC", "b", 1, false, -1},
      {"case ignored", "ABC", "b", 1, true, 2},
      {"case ignored, sought upper", "xabc", "ABC", 1, true, 2},
      {"not inside a character, backslash", kBackslashTrail + "x\\", "\\", 1, false, 4},
      {"not inside a character, letter", kSmallATrail + "a", "a", 1, false, 3},
      {"trail byte is no letter to fold", kSmallATrail, "A", 1, true, -1},
      {"trail bytes compare exactly when folding", kCapitalATrail, kSmallATrail, 1, true, -1},
      {"two-byte character found", "x" + kSmallATrail, kSmallATrail, 1, true, 2},
      {"start inside a character goes to the next", kBackslashTrail + "\\", "\\", 2, false, 3},
      {"start inside a character never matches it", kBackslashTrail + "x", "\\", 2, false, -1},
      {"start inside the last character", "x" + kBackslashTrail, "\\", 3, false, -1},
      {"four-byte character found", "a" + programText("😀") + "b", programText("😀"), 1, false, 2},
      {"no match across four-byte characters", kTwoFourByteCharacters, kCharacterAcrossThem, 1,
       false, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(findText(c.text, c.sought, c.start, c.ignoreCase), c.expected) << c.name;
}

TEST(FindTextFromEnd, FindsLastOccurrenceAtCharacterStarts) {
  struct Case {
    const char* name;
    std::string text;
    std::string sought;
    bool ignoreCase;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"last slash", "a/b/c", "/", false, 4},
      {"absent", "abc", "x", false, -1},
      {"empty sought", "abc", "", false, 1},
      {"both empty", "", "", false, -1},
      {"last of overlapping", "aaa", "aa", false, 2},
      {"case differs", "aXa", "x", false, -1},
      {"case ignored", "aXa", "x", true, 2},
      {"the trail byte is not the last", "\\" + kBackslashTrail, "\\", false, 1},
      {"only trail bytes", kBackslashTrail + kBackslashTrail, "\\", false, -1},
      {"last two-byte character", kSmallATrail + "a" + kSmallATrail, kSmallATrail, false, 4},
      {"last four-byte character", programText("😀x😀"), programText("😀"), false, 6},
      {"no match across four-byte characters", kTwoFourByteCharacters, kCharacterAcrossThem,
       false, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(findTextFromEnd(c.text, c.sought, c.ignoreCase), c.expected) << c.name;
}

TEST(ReplaceText, ReplacesLeftToRightWithoutRescanning) {
  struct Case {
    const char* name;
    std::string text;
    std::string sought;
    std::string replacement;
    std::int32_t start;
    std::optional<std::int32_t> count;
    bool caseSensitive;
    std::string expected;
  };
  const std::optional<std::int32_t> all;
  const Case cases[] = {
      {"every occurrence", "x0_0_1y0_0_1", "0_0_1", "0_0_7", 1, all, true, "x0_0_7y0_0_7"},
      {"first only", "x0_0_1y0_0_1", "0_0_1", "0_0_7", 1, 1, true, "x0_0_7y0_0_1"},
      {"count 0", "x0_0_1y0_0_1", "0_0_1", "0_0_7", 1, 0, true, "x0_0_1y0_0_1"},
      {"negative count", "aaa", "a", "b", 1, -1, true, "aaa"},
      {"count above the occurrences", "aXa", "a", "b", 1, 9, true, "bXb"},
      {"case folded when not case-sensitive", "AbC", "abc", "x", 1, all, false, "x"},
      {"case kept when case-sensitive", "AbC", "abc", "x", 1, all, true, "AbC"},
      {"empty replacement removes", "a-b-c", "-", "", 1, all, true, "abc"},
      {"bytes before the start copied", "aXaXa", "a", "b", 2, all, true, "aXbXb"},
      {"start on the last byte", "aXaXa", "a", "b", 5, all, true, "aXaXb"},
      {"start beyond the end", "aXaXa", "a", "b", 6, all, true, "aXaXa"},
      {"start 0 is the beginning", "aXa", "a", "b", 0, all, true, "bXb"},
      {"matches do not overlap", "aaa", "aa", "b", 1, all, true, "ba"},
      {"replacement never rescanned", "ab", "a", "aa", 1, all, true, "aab"},
      {"empty sought", "abc", "", "x", 1, all, true, "abc"},
      {"empty text", "", "a", "x", 1, all, true, ""},
      {"not inside a character, backslash", kBackslashTrail + "\\", "\\", "/", 1, all, true,
       kBackslashTrail + "/"},
      {"not inside a character, folded letter", kSmallATrail + "A", "a", "b", 1, all, false,
       kSmallATrail + "b"},
      {"start inside a character", kBackslashTrail + "\\\\", "\\", "/", 2, 1, true,
       kBackslashTrail + "/\\"},
      {"Chinese replaced", programText("第1页第2页"), programText("页"), "p", 1, all, true,
       programText("第1p第2p")},
      {"no match across four-byte characters", kTwoFourByteCharacters, kCharacterAcrossThem,
       "x", 1, all, true, kTwoFourByteCharacters},
  };
  for (const Case& c : cases)
    EXPECT_EQ(replaceText(c.text, c.sought, c.replacement, c.start, c.count, c.caseSensitive),
              c.expected)
        << c.name;
}

TEST(ReplaceText, DefaultsReplaceEveryOccurrenceWithNothing) {
  EXPECT_EQ(replaceText("a b c", " "), "abc");
}

TEST(TextCut, CountsRawBytes) {
  struct Case {
    const char* name;
    std::string (*cut)(std::string_view, std::int32_t);
    std::string text;
    std::int32_t n;
    std::string expected;
  };
  const Case cases[] = {
      {"left 0", textLeft, "abc", 0, ""},
      {"left negative", textLeft, "abc", -1, ""},
      {"left 2", textLeft, "abc", 2, "ab"},
      {"left beyond the length", textLeft, "abc", 5, "abc"},
      {"left of empty", textLeft, "", 3, ""},
      {"left splits a character", textLeft, programText("中文"), 1, "\xD6"},
      {"right 0", textRight, "abc", 0, ""},
      {"right negative", textRight, "abc", -1, ""},
      {"right 2", textRight, "abc", 2, "bc"},
      {"right beyond the length", textRight, "abc", 5, "abc"},
      {"right splits a character", textRight, programText("中文"), 3, "\xD0" + programText("文")},
  };
  for (const Case& c : cases) EXPECT_EQ(c.cut(c.text, c.n), c.expected) << c.name;
}

TEST(TextLength, CountsBytes) {
  EXPECT_EQ(textLength(""), 0);
  EXPECT_EQ(textLength("abc"), 3);
  EXPECT_EQ(textLength(programText("中文a")), 5);
  EXPECT_EQ(textLength(programText("😀")), 4);
}

}  // namespace
}  // namespace sfx
