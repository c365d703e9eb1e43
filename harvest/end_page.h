// The end-page button: reads the number of the last listing page from the
// pager of the linked page into 编辑框_终止页码.
#pragma once

#include <cstdint>
#include <string_view>

#include "harvest/harvest_context.h"

namespace sfx {

// Click of 按钮_解析页码.
void onEndPageClick(HarvestContext& context);

// Returns the number of pager matches (0 after a failure).
std::int32_t parseEndPage(HarvestContext& context, std::string_view pageText);

}  // namespace sfx
