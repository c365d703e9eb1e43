#include "platform/download_url.h"

#include <curl/curl.h>

#include <memory>

#include "platform/encoding.h"

namespace sfx {
namespace {

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlTextDeleter {
  void operator()(char* text) const { curl_free(text); }
};
using CurlText = std::unique_ptr<char, CurlTextDeleter>;

CurlText urlPart(CURLU* url, CURLUPart part) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, 0) != CURLUE_OK) return nullptr;
  return CurlText(text);
}

}  // namespace

std::optional<DownloadUrl> usableDownloadUrl(std::string_view url) {
  if (url.empty()) return std::nullopt;
  const ConvertResult utf8 = gb18030ToUtf8(url);
  if (utf8.error != ConvertError::Ok) return std::nullopt;

  const std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
  if (!parsed) return std::nullopt;
  // Harvested links may hold spaces and Chinese characters; encode them as a
  // browser would rather than refuse the link.
  if (curl_url_set(parsed.get(), CURLUPART_URL, utf8.text.c_str(), CURLU_URLENCODE) != CURLUE_OK) {
    return std::nullopt;
  }
  const CurlText scheme = urlPart(parsed.get(), CURLUPART_SCHEME);  // lower case
  const CurlText host = urlPart(parsed.get(), CURLUPART_HOST);
  const CurlText whole = urlPart(parsed.get(), CURLUPART_URL);
  if (!scheme || !host || !whole || *host.get() == '\0') return std::nullopt;

  const std::string_view name = scheme.get();
  if (name != "http" && name != "https" && name != "ftp") return std::nullopt;
  return DownloadUrl{whole.get(), name == "ftp"};
}

}  // namespace sfx
