// The program's regular-expression object: one pattern run once over one
// subject, its matches then read by 1-based numbers.
//
// Patterns, subjects and every returned text are program texts (GB18030);
// the engine works on their UTF-8 forms. Nothing here reports an error: a
// pattern the engine rejects or a search that fails makes create() return
// false, and every question about a match or group that does not exist gets
// the empty text (or 0).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/pcre2_regex.h"

namespace sfx {

class RegexObject {
 public:
  // Compiles the pattern and collects its matches in the subject: every
  // match when globalMatch, else the first. With quoteMarker, each "#引号"
  // in the pattern stands for a double quote. True when the search ran,
  // even if nothing matched; false for a rejected pattern or a failed search.
  bool create(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
              bool multiLine = true, bool globalMatch = true, bool quoteMarker = false);

  // The pattern of the last create, with the quote markers replaced; empty
  // before the first create.
  [[nodiscard]] std::string getPattern() const;

  // The subject of the last create with each collected match replaced.
  // `replacement` may use $1..$99, $&, $`, $' and $$. Empty when the last
  // create returned false.
  [[nodiscard]] std::string replaceMatches(std::string_view replacement) const;

  [[nodiscard]] std::int32_t matchCount() const;

  // `outPosition`, when given, receives the 0-based byte offset of the
  // returned text in the subject, searched from the match's start, or -2
  // when it is not found (or the match does not exist).
  [[nodiscard]] std::string matchText(std::int32_t match, std::int32_t* outPosition = nullptr) const;
  [[nodiscard]] std::string subMatchText(std::int32_t match, std::int32_t group,
                                         std::int32_t* outPosition = nullptr) const;

  // Capturing groups of the pattern; 0 when nothing matched.
  [[nodiscard]] std::int32_t subMatchCount() const;

 private:
  [[nodiscard]] bool hasMatch(std::int32_t match) const;
  [[nodiscard]] std::string subjectPart(const GroupSpan& span) const;
  [[nodiscard]] std::int32_t positionOf(std::string_view text, std::int32_t match) const;

  std::optional<std::string> pattern_;  // set by the first create
  std::string subject_;
  std::string utf8Subject_;
  bool ignoreCase_ = false;
  std::optional<MatchList> matches_;  // empty until a search has run
};

}  // namespace sfx
