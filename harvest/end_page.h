// The end-page button: reads the number of the last listing page from the
// pager of the linked page into 编辑框_终止页码.
#pragma once

#include <cstdint>
#include <string_view>

#include "harvest/harvest_context.h"

namespace sfx {

// The fixed pattern of the pager as UTF-8 source text: the link between the
// ellipsis and the next-page link names the last page. It is also the
// default text of 编辑框_页码正则, which is shown but never read.
inline constexpr std::string_view kEndPagePatternUtf8 =
    "<span class=#引号ell#引号>...</span><a href=#引号.*#引号>(.*?)</a>"
    "<a href=#引号.*#引号>下一页</a></div>";

// Click of 按钮_解析页码.
void onEndPageClick(HarvestContext& context);

// Returns the number of pager matches (0 after a failure).
std::int32_t parseEndPage(HarvestContext& context, std::string_view pageText);

}  // namespace sfx
