// The page text of a listing page: HTTP GET, UTF-8 to GB18030, cut at the
// first zero byte. Every failure gives the empty text.
#pragma once

#include <string>
#include <string_view>

#include "platform/http_get.h"

namespace sfx {

// `url` is a program text (GB18030).
[[nodiscard]] std::string fetchPageText(std::string_view url, const FetchLimits& limits = {});

}  // namespace sfx
