#include "harvest/regex_object.h"

#include "platform/encoding.h"
#include "text/text_search.h"

namespace sfx {
namespace {

const std::string& quoteMarkerText() {
  static const std::string marker = programText("#引号");
  return marker;
}

// UTF-16 units in a UTF-8 text: one per character, two for a character
// beyond the Basic Multilingual Plane (four UTF-8 bytes).
std::int32_t utf16Length(std::string_view utf8) {
  std::int32_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) ++units;
    if (byte >= 0xF0) ++units;
  }
  return units;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Appends `replacement` for one match with its "$" forms expanded the way
// JavaScript's String.prototype.replace does.
void appendExpanded(std::string& out, std::string_view replacement, std::string_view subject,
                    const MatchList& matches, std::size_t match) {
  const GroupSpan& whole = matches.group(match, 0);
  const std::size_t groups = matches.groupsPerMatch - 1;
  auto appendGroup = [&](std::size_t g) {
    const GroupSpan& span = matches.group(match, g);
    if (span.isSet()) out.append(subject.substr(span.begin, span.length()));
  };

  for (std::size_t i = 0; i < replacement.size(); ++i) {
    const char c = replacement[i];
    if (c != '$' || i + 1 == replacement.size()) {
      out.push_back(c);
      continue;
    }
    const char next = replacement[i + 1];
    if (next == '$') {
      out.push_back('$');
      ++i;
    } else if (next == '&') {
      appendGroup(0);
      ++i;
    } else if (next == '`') {
      out.append(subject.substr(0, whole.begin));
      ++i;
    } else if (next == '\'') {
      out.append(subject.substr(whole.end));
      ++i;
    } else if (isDigit(next)) {
      // Two digits naming an existing group win over one: "$10" is group 10
      // when there is one, else group 1 followed by "0".
      const std::size_t one = static_cast<std::size_t>(next - '0');
      const bool hasSecond = i + 2 < replacement.size() && isDigit(replacement[i + 2]);
      const std::size_t two = hasSecond ? one * 10 + static_cast<std::size_t>(replacement[i + 2] - '0') : 0;
      if (hasSecond && two >= 1 && two <= groups) {
        appendGroup(two);
        i += 2;
      } else if (one >= 1 && one <= groups) {
        appendGroup(one);
        ++i;
      } else {
        out.push_back('$');
      }
    } else {
      out.push_back('$');
    }
  }
}

}  // namespace

bool RegexObject::create(std::string_view pattern, std::string_view subject, bool caseSensitive,
                         bool multiLine, bool globalMatch, bool quoteMarker) {
  matches_.reset();
  ignoreCase_ = !caseSensitive;
  pattern_ = quoteMarker ? replaceText(pattern, quoteMarkerText(), "\"") : std::string(pattern);
  subject_ = std::string(subject);
  utf8Subject_.clear();

  const ConvertResult utf8Pattern = gb18030ToUtf8(*pattern_);
  if (utf8Pattern.error != ConvertError::Ok) return false;
  const Pcre2Regex regex(utf8Pattern.text, RegexOptions{.ignoreCase = ignoreCase_, .multiLine = multiLine});
  if (!regex.ok()) return false;

  ConvertResult utf8Subject = gb18030ToUtf8(subject_);
  if (utf8Subject.error != ConvertError::Ok) return false;
  utf8Subject_ = std::move(utf8Subject.text);

  MatchList found = regex.findMatches(utf8Subject_, globalMatch ? MatchScope::All : MatchScope::First);
  if (found.error != RegexError::Ok) return false;
  matches_ = std::move(found);
  return true;
}

std::string RegexObject::getPattern() const { return pattern_.value_or(std::string()); }

std::string RegexObject::replaceMatches(std::string_view replacement) const {
  if (!matches_) return {};
  const ConvertResult utf8Replacement = gb18030ToUtf8(replacement);
  if (utf8Replacement.error != ConvertError::Ok) return {};

  std::string out;
  std::size_t copied = 0;
  for (std::size_t m = 0; m < matches_->count(); ++m) {
    const GroupSpan& whole = matches_->group(m, 0);
    out.append(utf8Subject_, copied, whole.begin - copied);
    appendExpanded(out, utf8Replacement.text, utf8Subject_, *matches_, m);
    copied = whole.end;
  }
  out.append(utf8Subject_, copied);
  return utf8ToGb18030(out).text;
}

std::int32_t RegexObject::matchCount() const {
  return matches_ ? static_cast<std::int32_t>(matches_->count()) : 0;
}

std::string RegexObject::matchText(std::int32_t match, std::int32_t* outPosition) const {
  if (!hasMatch(match)) {
    if (outPosition) *outPosition = -2;
    return {};
  }
  std::string text = subjectPart(matches_->group(static_cast<std::size_t>(match - 1), 0));
  if (outPosition) *outPosition = positionOf(text, match);
  return text;
}

std::string RegexObject::subMatchText(std::int32_t match, std::int32_t group, std::int32_t* outPosition) const {
  if (!hasMatch(match) || group < 1 || static_cast<std::size_t>(group) >= matches_->groupsPerMatch) {
    if (outPosition) *outPosition = -2;
    return {};
  }
  std::string text = subjectPart(matches_->group(static_cast<std::size_t>(match - 1), static_cast<std::size_t>(group)));
  if (outPosition) *outPosition = positionOf(text, match);
  return text;
}

std::int32_t RegexObject::subMatchCount() const {
  if (!hasMatch(1)) return 0;
  return static_cast<std::int32_t>(matches_->groupsPerMatch - 1);
}

bool RegexObject::hasMatch(std::int32_t match) const {
  return matches_ && match >= 1 && static_cast<std::size_t>(match) <= matches_->count();
}

std::string RegexObject::subjectPart(const GroupSpan& span) const {
  if (!span.isSet()) return {};
  return utf8ToGb18030(std::string_view(utf8Subject_).substr(span.begin, span.length())).text;
}

// The text is looked for in the subject from the match's start, counted in
// UTF-16 units and used as a 1-based byte position: a character never takes
// fewer GB18030 bytes than UTF-16 units, so the search never starts after the
// match.
std::int32_t RegexObject::positionOf(std::string_view text, std::int32_t match) const {
  const GroupSpan& whole = matches_->group(static_cast<std::size_t>(match - 1), 0);
  const std::int32_t firstIndex = utf16Length(std::string_view(utf8Subject_).substr(0, whole.begin));
  return findText(subject_, text, firstIndex, ignoreCase_) - 1;
}

}  // namespace sfx
