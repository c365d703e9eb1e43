// The names a finished download may take: the target's own name, then
// "stem(1).ext", "stem(2).ext", ... when that is taken. Names are UTF-8
// file-name components (no folder).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sfx {

// The longest file-name component Linux file systems accept (NAME_MAX).
inline constexpr std::size_t kMaxFileNameBytes = 255;

// Candidate `n` for `name`: 0 gives the name itself, n >= 1 puts "(n)" before
// the extension, which starts at the last "." (no dot: "(n)" goes at the
// end). A candidate longer than kMaxFileNameBytes loses the end of its stem,
// then if need be the end of its extension, cut at a UTF-8 character start.
[[nodiscard]] std::string numberedName(std::string_view name, int n);

}  // namespace sfx
