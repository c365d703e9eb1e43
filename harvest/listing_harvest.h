// The parse button: fetches the listing pages of the chosen range and turns
// every match of the page pattern into a list row.
#pragma once

#include <cstdint>
#include <string_view>

#include "harvest/harvest_context.h"

namespace sfx {

// The default text of 编辑框_页面正则 as UTF-8 source text: a title link and
// the audio source that follows it, "#引号" standing for a double quote.
inline constexpr std::string_view kDefaultPagePatternUtf8 =
    "<a  class='title' target=#引号_blank#引号 href=#引号.*#引号>(.*?)</a>[\\s|\\S]*?"
    "<source src=#引号(.*?)#引号 type=#引号audio/mpeg#引号>";

// Click of 按钮_解析.
void onParseClick(HarvestContext& context);

// Appends the rows of one page; returns the number of matches (0 after a message).
std::int32_t parseListingPage(HarvestContext& context, std::string_view pageText);

}  // namespace sfx
