// The parse button: fetches the listing pages of the chosen range and turns
// every match of the page pattern into a list row.
#pragma once

#include <cstdint>
#include <string_view>

#include "harvest/harvest_context.h"

namespace sfx {

// Click of 按钮_解析.
void onParseClick(HarvestContext& context);

// Appends the rows of one page; returns the number of matches (0 after a message).
std::int32_t parseListingPage(HarvestContext& context, std::string_view pageText);

}  // namespace sfx
