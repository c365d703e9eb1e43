#include "platform/page_fetch.h"

#include "platform/encoding.h"

namespace sfx {

std::string fetchPageText(std::string_view url, const FetchLimits& limits) {
  const ConvertResult urlUtf8 = gb18030ToUtf8(url);
  if (urlUtf8.error != ConvertError::Ok) return {};

  ConvertResult page;
  {
    // The raw body is released as soon as it is converted: a page is held
    // twice at most, never three times.
    const FetchResult fetched = httpGet(urlUtf8.text, limits);
    if (fetched.body.empty()) return {};
    page = utf8ToGb18030(fetched.body);
  }
  if (page.error != ConvertError::Ok) return {};

  // The page text ends at the first zero byte, as a C string would.
  const std::size_t zero = page.text.find('\0');
  if (zero != std::string::npos) {
    page.text.resize(zero);
    page.text.shrink_to_fit();
  }
  return std::move(page.text);
}

}  // namespace sfx
