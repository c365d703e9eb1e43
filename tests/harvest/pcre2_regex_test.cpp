#include "platform/pcre2_regex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sfx {
namespace {

// Match starts and ends as "begin-end" pairs, unset groups as "unset".
std::vector<std::string> spansOf(const MatchList& list) {
  std::vector<std::string> out;
  for (std::size_t m = 0; m < list.count(); ++m) {
    for (std::size_t g = 0; g < list.groupsPerMatch; ++g) {
      const GroupSpan& span = list.group(m, g);
      out.push_back(span.isSet() ? std::to_string(span.begin) + "-" + std::to_string(span.end) : "unset");
    }
  }
  return out;
}

TEST(Pcre2RegexTest, CompileFailureReportsErrorAndOffset) {
  const Pcre2Regex regex("ab(c", {});
  EXPECT_FALSE(regex.ok());
  EXPECT_EQ(regex.error(), RegexError::BadPattern);
  EXPECT_EQ(regex.errorOffset(), 4u);
  EXPECT_FALSE(regex.errorDetail().empty());
  EXPECT_EQ(regex.groupCount(), 0u);

  const MatchList list = regex.findMatches("abc", MatchScope::All);
  EXPECT_EQ(list.error, RegexError::BadPattern);
  EXPECT_EQ(list.count(), 0u);
}

// "\C" would match single bytes inside a character and leave the next search
// starting in the middle of one.
TEST(Pcre2RegexTest, SingleByteEscapeIsRejected) {
  for (const char* pattern : {"\\C", "a\\C+", "[a]|(\\C)"}) {
    const Pcre2Regex regex(pattern, {});
    EXPECT_EQ(regex.error(), RegexError::BadPattern) << pattern;
    EXPECT_EQ(regex.findMatches("\xe4\xb8\xad" "a", MatchScope::All).count(), 0u) << pattern;
  }
}

TEST(Pcre2RegexTest, SpansOfMatchesAndGroups) {
  struct Case {
    const char* name;
    const char* pattern;
    std::string subject;
    MatchScope scope;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"unset group", "a(b)?c", "ac abc", MatchScope::All, {"0-2", "unset", "3-6", "4-5"}},
      {"first only", "a", "aaa", MatchScope::First, {"0-1"}},
      {"empty match steps a whole character", "x*", "\xe4\xb8\xad" "a", MatchScope::All,
       {"0-0", "3-3", "4-4"}},
      {"empty match after a match is kept", "a*", "baaac", MatchScope::All, {"0-0", "1-4", "4-4", "5-5"}},
      {"empty subject", "x*", "", MatchScope::All, {"0-0"}},
      {"no match", "z", "abc", MatchScope::All, {}},
  };
  for (const Case& c : cases) {
    const Pcre2Regex regex(c.pattern, {});
    ASSERT_TRUE(regex.ok()) << c.name;
    const MatchList list = regex.findMatches(c.subject, c.scope);
    EXPECT_EQ(list.error, RegexError::Ok) << c.name;
    EXPECT_EQ(spansOf(list), c.expected) << c.name;
  }
}

TEST(Pcre2RegexTest, CatastrophicPatternFailsOnTheMatchLimit) {
  const Pcre2Regex regex("(a+)+$", {});
  ASSERT_TRUE(regex.ok());
  const MatchList list = regex.findMatches(std::string(40, 'a') + "b", MatchScope::All);
  EXPECT_EQ(list.error, RegexError::MatchLimit);
  EXPECT_EQ(list.count(), 0u);
}

TEST(Pcre2RegexTest, LongLazyRunOverABigPageStaysWithinTheLimits) {
  // A title far from its audio source, as on a page with a long block of
  // markup in between: must match, not hit a limit.
  const std::string subject = "<a>t</a>" + std::string(3'000'000, '\n') + "<source src=\"u\">";
  const Pcre2Regex regex("<a>(.*?)</a>[\\s|\\S]*?<source src=\"(.*?)\">", {.ignoreCase = true});
  ASSERT_TRUE(regex.ok());
  const MatchList list = regex.findMatches(subject, MatchScope::All);
  EXPECT_EQ(list.error, RegexError::Ok);
  EXPECT_EQ(list.count(), 1u);
}

TEST(Pcre2RegexTest, InvalidUtf8SubjectIsRejected) {
  const Pcre2Regex regex("a", {});
  const MatchList list = regex.findMatches("a\xff" "a", MatchScope::All);
  EXPECT_EQ(list.error, RegexError::BadSubject);
  EXPECT_EQ(list.count(), 0u);
}

}  // namespace
}  // namespace sfx
