// Message texts shared by the harvest's handlers, as UTF-8 source text.
#pragma once

#include <string_view>

namespace sfx {

// Shown with the error icon when a pattern is rejected or its search fails.
inline constexpr std::string_view kRegexFailedMessageUtf8 = "正则创建失败，请检查正则表达式语句是否有误！";

}  // namespace sfx
