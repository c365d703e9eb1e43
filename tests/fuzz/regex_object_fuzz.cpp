// RegexObject with the options the harvest uses, on an input cut at its
// zero bytes into pattern, subject and replacement. Besides crashes, a search
// that does not end is a finding: the match limit must stop every pattern.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "harvest/regex_object.h"
#include "platform/encoding.h"
#include "tests/fuzz/fuzz_check.h"

namespace sfx {
namespace {

// Matches and groups looked at one by one. A page pattern has a few groups;
// beyond these the checks repeat themselves and only slow each input down.
constexpr std::int32_t kCheckedMatches = 64;
constexpr std::int32_t kCheckedGroups = 16;

// A match's or group's text is a piece of the subject; where a position was
// found for it, the text is there (letter case aside, as the harvest ignores it).
void checkPiece(std::string_view subject, const std::string& text, std::int32_t position) {
  SFX_FUZZ_CHECK(subject.find(text) != std::string_view::npos);
  if (position == -2) return;
  SFX_FUZZ_CHECK(position >= 0);
  const auto at = static_cast<std::size_t>(position);
  SFX_FUZZ_CHECK(at + text.size() <= subject.size());
  SFX_FUZZ_CHECK(fuzz::equalFolded(subject.substr(at, text.size()), text));
}

void checkMatches(const RegexObject& regex, std::string_view subject) {
  const std::int32_t count = regex.matchCount();
  const std::int32_t groups = regex.subMatchCount();
  SFX_FUZZ_CHECK(count >= 0 && groups >= 0);
  if (count == 0) SFX_FUZZ_CHECK(groups == 0);

  for (std::int32_t m = 1; m <= std::min(count, kCheckedMatches); ++m) {
    std::int32_t position = 0;
    const std::string text = regex.matchText(m, &position);
    checkPiece(subject, text, position);
    // The match lies at or after the point its search starts from; only an
    // empty subject, where even the empty text is not found, gives -2.
    if (!subject.empty()) SFX_FUZZ_CHECK(position >= 0);
    for (std::int32_t g = 1; g <= std::min(groups, kCheckedGroups); ++g) {
      const std::string group = regex.subMatchText(m, g, &position);
      checkPiece(subject, group, position);
    }
    SFX_FUZZ_CHECK(regex.subMatchText(m, groups + 1).empty());
  }
  std::int32_t position = 0;
  SFX_FUZZ_CHECK(regex.matchText(count + 1, &position).empty() && position == -2);
}

// Removing every match shortens the subject by exactly the matches' texts, and
// putting each back in its place gives the subject again: a match that is not
// made of whole characters of the subject breaks both.
void checkReplacement(const RegexObject& regex, std::string_view subject) {
  std::size_t matched = 0;
  for (std::int32_t m = 1; m <= regex.matchCount(); ++m) matched += regex.matchText(m).size();
  SFX_FUZZ_CHECK(regex.replaceMatches("").size() + matched == subject.size());
  SFX_FUZZ_CHECK(regex.replaceMatches("$&") == subject);
}

}  // namespace
}  // namespace sfx

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sfx;
  const auto texts = fuzz::splitAtZeros(data, size, 3);
  const std::string_view pattern = texts[0];
  const std::string_view subject = texts[1];
  const std::string_view replacement = texts[2];

  RegexObject regex;
  const bool created = regex.create(pattern, subject, false, false, true, true);
  if (!created) {
    SFX_FUZZ_CHECK(regex.matchCount() == 0 && regex.subMatchCount() == 0);
    SFX_FUZZ_CHECK(regex.replaceMatches(replacement).empty());
    return 0;
  }
  // Every quote marker became a double quote.
  static const std::string marker = programText("#引号");
  SFX_FUZZ_CHECK(regex.getPattern().find(marker) == std::string::npos);

  checkMatches(regex, subject);
  checkReplacement(regex, subject);
  (void)regex.replaceMatches(replacement);
  return 0;
}
