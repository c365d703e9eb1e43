// Searching, replacing and cutting the program's texts.
//
// A text is a byte string in GB18030 (a superset of GBK). Lengths and
// positions count bytes and positions are 1-based. Searches only try
// candidates at character starts (see character.h), counted from the
// beginning of the text, so a match never begins on a trail byte: a start
// position inside a character begins at the next character. With case
// folding only single-byte ASCII letters fold; the trail bytes of two-byte
// characters always compare exactly, since they name different characters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sfx {

// Position of the first occurrence at or after `start`, or -1; a start of 1
// or less means the beginning, one beyond the end gives -1. An empty
// `sought` gives 1 for a non-empty text, else -1.
[[nodiscard]] std::int32_t findText(std::string_view text, std::string_view sought,
                                    std::int32_t start = 1, bool ignoreCase = false);

// Position of the last occurrence in the whole text, or -1. An empty
// `sought` gives 1 for a non-empty text, else -1.
[[nodiscard]] std::int32_t findTextFromEnd(std::string_view text, std::string_view sought,
                                           bool ignoreCase = false);

// Replaces occurrences left to right from `start`, copying the bytes before
// it; every one when `count` is absent, else the first `count` (none for 0 or
// less). Matches do not overlap and an inserted replacement is never searched
// again. Note the sense of the flag: true compares bytes exactly, false folds
// ASCII letters. An empty text or `sought`, or a start beyond the end, leaves
// the text unchanged.
[[nodiscard]] std::string replaceText(std::string_view text, std::string_view sought,
                                      std::string_view replacement = {}, std::int32_t start = 1,
                                      std::optional<std::int32_t> count = std::nullopt,
                                      bool caseSensitive = true);

// First / last min(n, length) bytes; n of 0 or less gives the empty text.
// They count raw bytes and may split a two-byte character.
[[nodiscard]] std::string textLeft(std::string_view text, std::int32_t n);
[[nodiscard]] std::string textRight(std::string_view text, std::int32_t n);

[[nodiscard]] std::int32_t textLength(std::string_view text);

}  // namespace sfx
