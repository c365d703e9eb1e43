#include "text/text_search.h"

#include <algorithm>
#include <limits>

#include "text/character.h"

namespace sfx {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `sought` occurs at `at`, a character start of `text`.
bool matchesAt(std::string_view text, std::size_t at, std::string_view sought, bool ignoreCase) {
  if (sought.size() > text.size() - at) return false;
  if (!ignoreCase) return text.substr(at, sought.size()) == sought;
  const std::size_t end = at + sought.size();
  for (std::size_t i = at; i < end;) {
    const std::size_t length = characterLength(text, i);
    if (length == 1) {
      if (foldAscii(text[i]) != foldAscii(sought[i - at])) return false;
    } else {
      const std::size_t compared = std::min(length, end - i);
      if (text.substr(i, compared) != sought.substr(i - at, compared)) return false;
    }
    i += length;
  }
  return true;
}

// The first character start at or after the 1-based `start`, or kNone when
// `start` lies beyond the text. A start inside a character gives the next
// character's start, which may be the end of the text.
std::size_t firstCandidate(std::string_view text, std::int32_t start) {
  if (start <= 1) return 0;
  const auto wanted = static_cast<std::size_t>(start) - 1;
  if (wanted >= text.size()) return kNone;
  std::size_t at = 0;
  while (at < wanted) at += characterLength(text, at);
  return at;
}

// Texts come from pages capped far below 2 GiB; saturate rather than wrap all the same.
std::int32_t toInt32(std::size_t count) {
  return static_cast<std::int32_t>(
      std::min<std::size_t>(count, std::numeric_limits<std::int32_t>::max()));
}

std::int32_t toPosition(std::size_t index) { return toInt32(index + 1); }

}  // namespace

std::int32_t findText(std::string_view text, std::string_view sought, std::int32_t start,
                      bool ignoreCase) {
  if (text.empty()) return -1;
  if (sought.empty()) return 1;
  const std::size_t first = firstCandidate(text, start);
  if (first == kNone) return -1;
  for (std::size_t at = first; at < text.size(); at += characterLength(text, at))
    if (matchesAt(text, at, sought, ignoreCase)) return toPosition(at);
  return -1;
}

std::int32_t findTextFromEnd(std::string_view text, std::string_view sought, bool ignoreCase) {
  if (text.empty()) return -1;
  if (sought.empty()) return 1;
  // Character starts are only known walking forward from the beginning.
  std::int32_t last = -1;
  for (std::size_t at = 0; at < text.size(); at += characterLength(text, at))
    if (matchesAt(text, at, sought, ignoreCase)) last = toPosition(at);
  return last;
}

std::string replaceText(std::string_view text, std::string_view sought,
                        std::string_view replacement, std::int32_t start,
                        std::optional<std::int32_t> count, bool caseSensitive) {
  const std::size_t first = sought.empty() ? kNone : firstCandidate(text, start);
  if (first == kNone) return std::string(text);
  std::size_t remaining = !count ? std::numeric_limits<std::size_t>::max()
                                 : static_cast<std::size_t>(std::max(*count, 0));
  std::string result;
  std::size_t copiedUpTo = 0;  // text before this index is already in result
  for (std::size_t at = first; at < text.size() && remaining > 0;
       at += characterLength(text, at)) {
    if (at < copiedUpTo) continue;  // inside the last match
    if (!matchesAt(text, at, sought, !caseSensitive)) continue;
    result.append(text.substr(copiedUpTo, at - copiedUpTo));
    result.append(replacement);
    copiedUpTo = at + sought.size();
    --remaining;
  }
  result.append(text.substr(copiedUpTo));
  return result;
}

std::string textLeft(std::string_view text, std::int32_t n) {
  if (n <= 0) return {};
  return std::string(text.substr(0, static_cast<std::size_t>(n)));
}

std::string textRight(std::string_view text, std::int32_t n) {
  if (n <= 0) return {};
  const std::size_t kept = std::min(text.size(), static_cast<std::size_t>(n));
  return std::string(text.substr(text.size() - kept));
}

std::int32_t textLength(std::string_view text) { return toInt32(text.size()); }

}  // namespace sfx
