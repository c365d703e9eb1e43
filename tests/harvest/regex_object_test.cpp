#include "harvest/regex_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harvest/end_page.h"
#include "harvest/listing_harvest.h"
#include "platform/encoding.h"

namespace sfx {
namespace {

std::string utf8(std::string_view programTextValue) { return gb18030ToUtf8(programTextValue).text; }

struct Options {
  bool caseSensitive = false;
  bool multiLine = false;
  bool globalMatch = true;
  bool quoteMarker = true;
};

// Each match as its whole text followed by its groups' texts, in UTF-8.
using Matches = std::vector<std::vector<std::string>>;

Matches matchesOf(const RegexObject& regex) {
  Matches out;
  const std::int32_t groups = regex.subMatchCount();
  for (std::int32_t m = 1; m <= regex.matchCount(); ++m) {
    std::vector<std::string> texts{utf8(regex.matchText(m))};
    for (std::int32_t g = 1; g <= groups; ++g) texts.push_back(utf8(regex.subMatchText(m, g)));
    out.push_back(std::move(texts));
  }
  return out;
}

TEST(RegexObjectTest, MatchesOfTheProgramsDialect) {
  struct Case {
    const char* name;
    const char* pattern;  // UTF-8
    std::string subject;  // UTF-8
    Options options;
    bool created;
    Matches expected;
  };
  const Case cases[] = {
      {"dot stops at a line feed", "a.b", "a\nb", {}, true, {}},
      {"dot takes a carriage return", "a.b", "a\rb", {}, true, {{"a\rb"}}},
      {"dollar only at the very end", "x$", "x\n", {}, true, {}},
      {"dollar at the end", "x$", "ax", {}, true, {{"x"}}},
      {"caret only at the start", "^x", "a\nx", {}, true, {}},
      {"caret at a line start when multi-line", "^x", "a\nx", {.multiLine = true}, true, {{"x"}}},
      {"ASCII case ignored", "title", "TITLE Title", {}, true, {{"TITLE"}, {"Title"}}},
      {"ASCII case kept", "title", "TITLE Title", {.caseSensitive = true}, true, {}},
      {"accented letters fold too", "caf\xc3\xa9", "CAF\xc3\x89", {}, true, {{"CAF\xc3\x89"}}},
      {"CJK text under ignore-case", "下一页", "上一页 下一页 下一頁", {}, true, {{"下一页"}}},
      {"group that took no part", "a(b)?c", "ac abc", {}, true, {{"ac", ""}, {"abc", "b"}}},
      {"lazy takes the shortest run", "<b>(.*?)</b>", "<b>1</b><b>2</b>", {}, true,
       {{"<b>1</b>", "1"}, {"<b>2</b>", "2"}}},
      {"greedy takes the longest run", "<b>(.*)</b>", "<b>1</b><b>2</b>", {}, true,
       {{"<b>1</b><b>2</b>", "1</b><b>2"}}},
      {"class of white space, bar and the rest crosses lines", "a[\\s|\\S]*?b", "xa\r\n\nyb b", {}, true,
       {{"a\r\n\nyb"}}},
      {"quote marker read as a double quote", "#引号(.*?)#引号", "x \"q\" y", {}, true, {{"\"q\"", "q"}}},
      {"quote marker kept without the option", "#引号(.*?)#引号", "x \"q\" #引号r#引号",
       {.quoteMarker = false}, true, {{"#引号r#引号", "r"}}},
      {"\\u escapes", "\\u4E0B\\u4e00\\u9875", "下一页", {}, true, {{"下一页"}}},
      {"\\x escape", "\\x41b", "ab", {}, true, {{"ab"}}},
      {"[^] takes a line feed", "a[^]b", "a\nb", {}, true, {{"a\nb"}}},
      {"back-reference to an unset group is empty", "(a)?\\1b", "b", {}, true, {{"b", ""}}},
      {"\\s keeps to ASCII", "a\\sb", "a\xe3\x80\x80" "b a b", {}, true, {{"a b"}}},
      {"first match only without global", "a", "aaa", {.globalMatch = false}, true, {{"a"}}},
      {"empty matches step by characters", "x*", "中a", {}, true, {{""}, {""}, {""}}},
      {"valid pattern without a match", "zzz", "abc", {}, true, {}},
      {"unbalanced parenthesis is rejected", "a(b", "a(b", {}, false, {}},
      {"single-byte escape is rejected", "\\C", "声a", {}, false, {}},
      {"catastrophic backtracking fails", "(a+)+$", std::string(40, 'a') + "b", {}, false, {}},
  };
  for (const Case& c : cases) {
    RegexObject regex;
    const bool created = regex.create(programText(c.pattern), programText(c.subject), c.options.caseSensitive,
                                      c.options.multiLine, c.options.globalMatch, c.options.quoteMarker);
    EXPECT_EQ(created, c.created) << c.name;
    EXPECT_EQ(matchesOf(regex), c.expected) << c.name;
    const auto count = static_cast<std::int32_t>(c.expected.size());
    EXPECT_EQ(regex.matchCount(), count) << c.name;
    EXPECT_EQ(regex.subMatchCount(), count == 0 ? 0 : static_cast<std::int32_t>(c.expected[0].size()) - 1)
        << c.name;
    // Numbers outside the matches and groups give the empty text.
    EXPECT_EQ(regex.matchText(0), "") << c.name;
    EXPECT_EQ(regex.matchText(count + 1), "") << c.name;
    EXPECT_EQ(regex.subMatchText(count + 1, 1), "") << c.name;
    EXPECT_EQ(regex.subMatchText(1, 0), "") << c.name;
    EXPECT_EQ(regex.subMatchText(1, regex.subMatchCount() + 1), "") << c.name;
  }
}

TEST(RegexObjectTest, SecondCreateReplacesEverything) {
  RegexObject regex;
  EXPECT_EQ(regex.getPattern(), "");
  EXPECT_EQ(regex.matchCount(), 0);
  ASSERT_TRUE(regex.create("(a)(b)", "ab ab ab"));
  EXPECT_EQ(regex.matchCount(), 3);

  ASSERT_TRUE(regex.create("c", "c"));
  EXPECT_EQ(regex.matchCount(), 1);
  EXPECT_EQ(regex.subMatchCount(), 0);
  EXPECT_EQ(regex.matchText(1), "c");
  EXPECT_EQ(regex.getPattern(), "c");

  EXPECT_FALSE(regex.create("(", "c"));
  EXPECT_EQ(regex.matchCount(), 0);
  EXPECT_EQ(regex.matchText(1), "");
}

TEST(RegexObjectTest, PatternShowsTheQuotesInPlaceOfTheMarker) {
  RegexObject regex;
  const std::string marked = programText("#引号a#引号b#引号");
  ASSERT_TRUE(regex.create(marked, "", false, false, true, true));
  EXPECT_EQ(regex.getPattern(), "\"a\"b\"");
  ASSERT_TRUE(regex.create(marked, "", false, false, true, false));
  EXPECT_EQ(regex.getPattern(), marked);
  // A rejected pattern is still the object's pattern.
  EXPECT_FALSE(regex.create(programText("(#引号"), "", false, false, true, true));
  EXPECT_EQ(regex.getPattern(), "(\"");
}

TEST(RegexObjectTest, ReplaceMatchesUsesJavaScriptReplacementForms) {
  struct Case {
    const char* name;
    const char* pattern;
    const char* subject;
    bool globalMatch;
    const char* replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"groups by number", "(\\w+)=(\\w+)", "a=1;b=2", true, "$2=$1", "1=a;2=b"},
      {"whole match", "b", "abc", true, "[$&]", "a[b]c"},
      {"before and after the match", "b", "abc", true, "<$`|$'>", "a<a|c>c"},
      {"dollar sign", "b", "abc", true, "$$", "a$c"},
      {"two digits fall back to one", "(b)", "abc", true, "$10", "ab0c"},
      {"two digits name a group", "(1)(2)(3)(4)(5)(6)(7)(8)(9)(a)", "123456789a", true, "$10$01", "a1"},
      {"no such group stays literal", "(b)", "abc", true, "$2$0$", "a$2$0$c"},
      {"unset group gives nothing", "a(x)?b", "ab", true, "[$1]", "[]"},
      {"first match only without global", "o", "foo", false, "0", "f0o"},
      {"every match with global", "o", "foo", true, "0", "f00"},
      {"empty matches between characters", "x*", "ab", true, "-", "-a-b-"},
      {"CJK text kept whole", "(页)", "第一页和第二页", true, "<$1>", "第一<页>和第二<页>"},
      {"rejected pattern gives the empty text", "(", "abc", true, "x", ""},
  };
  for (const Case& c : cases) {
    RegexObject regex;
    regex.create(programText(c.pattern), programText(c.subject), false, false, c.globalMatch, false);
    EXPECT_EQ(utf8(regex.replaceMatches(programText(c.replacement))), c.expected) << c.name;
  }
  EXPECT_EQ(RegexObject().replaceMatches("x"), "") << "before any create";
}

TEST(RegexObjectTest, OutPositionIsTheByteOffsetFoundFromTheMatch) {
  struct Case {
    const char* name;
    const char* pattern;
    const char* subject;
    bool caseSensitive;
    std::int32_t match;
    std::int32_t group;  // 0: matchText
    const char* expectedText;
    std::int32_t expectedPosition;
  };
  const Case cases[] = {
      {"ASCII subject", "b", "abab", false, 2, 0, "b", 3},
      {"after two-byte characters", "x", "中文x", false, 1, 0, "x", 4},
      {"after a character beyond the BMP", "x", "\xf0\x9f\x98\x80x", false, 1, 0, "x", 4},
      {"group found from the match's start", "a(b)", "b ab", false, 1, 1, "b", 3},
      // The text is searched for from the match's start counted in UTF-16
      // units, which lies before the match here; the search follows the
      // object's case setting.
      {"search ignores case with the object", "a(bc)", "中中xBC Abc", false, 1, 1, "bc", 5},
      {"search keeps case with the object", "A(bc)", "中中xBC Abc", true, 1, 1, "bc", 9},
      {"match out of range", "b", "ab", false, 2, 0, "", -2},
      {"group out of range", "b", "ab", false, 1, 1, "", -2},
  };
  for (const Case& c : cases) {
    RegexObject regex;
    ASSERT_TRUE(regex.create(programText(c.pattern), programText(c.subject), c.caseSensitive)) << c.name;
    std::int32_t position = 12345;
    const std::string text = c.group == 0 ? regex.matchText(c.match, &position)
                                          : regex.subMatchText(c.match, c.group, &position);
    EXPECT_EQ(utf8(text), c.expectedText) << c.name;
    EXPECT_EQ(position, c.expectedPosition) << c.name;
  }
}

// A listing page in the site's markup: three sound effects, each a title
// link followed by its player, with decoys the patterns must step over.
const char kListingPage[] =
    "<html><head><meta charset=\"utf-8\"><title>综合音效</title></head><body>\n"
    "<a class='title' href=\"/nav.html\">导航</a>\n"
    "<ul class=\"list\">\n"
    "<li><a  class='title' target=\"_blank\" href=\"/yinxiao/1.html\">雷声 Thunder</a>\n"
    "  <div class=\"info\">时长 00:03</div>\n"
    "  <audio controls><source src=\"//cdn.example.test/1.ogg\" type=\"audio/ogg\">\n"
    "  <source src=\"//cdn.example.test/1.mp3\" type=\"audio/mpeg\"></audio></li>\n"
    "<li><A  CLASS='title' TARGET=\"_blank\" HREF=\"/yinxiao/2.html\">鸟鸣&amp;流水</A>\n"
    "  <audio controls><SOURCE SRC=\"https://cdn.example.test/2.mp3\" TYPE=\"audio/mpeg\"></audio></li>\n"
    "<li><a  class='title' target=\"_blank\" href=\"/yinxiao/3.html\"><b>门铃</b></a><audio controls>"
    "<source src=\"http://cdn.example.test/3.mp3\" type=\"audio/mpeg\"></audio></li>\n"
    "</ul>\n"
    "<div class=\"pages\"><a href=\"/p1.html\">1</a><a href=\"/p2.html\">2</a><a href=\"/p3.html\">3</a>"
    "<span class=\"ell\">...</span><a href=\"/p57.html\">57</a><a href=\"/p2.html\">下一页</a></div>\n"
    "</body></html>\n";

std::string withCrlf(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST(RegexObjectTest, DefaultPatternsOverARealisticPage) {
  const Matches expectedItems = {
      {"雷声 Thunder", "//cdn.example.test/1.mp3"},
      {"鸟鸣&amp;流水", "https://cdn.example.test/2.mp3"},
      {"<b>门铃</b>", "http://cdn.example.test/3.mp3"},
  };
  for (const std::string& page : {std::string(kListingPage), withCrlf(kListingPage)}) {
    const char* lineEnds = page.find('\r') == std::string::npos ? "LF" : "CRLF";
    RegexObject items;
    ASSERT_TRUE(items.create(programText(kDefaultPagePatternUtf8), programText(page), false, false, true, true))
        << lineEnds;
    Matches found;
    for (std::int32_t m = 1; m <= items.matchCount(); ++m)
      found.push_back({utf8(items.subMatchText(m, 1)), utf8(items.subMatchText(m, 2))});
    EXPECT_EQ(found, expectedItems) << lineEnds;

    RegexObject pager;
    ASSERT_TRUE(pager.create(programText(kEndPagePatternUtf8), programText(page), false, false, true, true))
        << lineEnds;
    ASSERT_EQ(pager.matchCount(), 1) << lineEnds;
    EXPECT_EQ(utf8(pager.subMatchText(1, 1)), "57") << lineEnds;
  }
}

}  // namespace
}  // namespace sfx
