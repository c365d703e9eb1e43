// Which URLs the download engine takes: http, https and ftp, in any letter
// case, with a host, as parsed by libcurl.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sfx {

// The protocols the engine speaks, also on redirects, in libcurl's notation.
inline constexpr char kDownloadProtocols[] = "http,https,ftp";

struct DownloadUrl {
  std::string url;  // UTF-8, spaces and non-ASCII bytes percent-encoded
  bool isFtp = false;
};

// Empty when `url` (a program text) is empty, not valid GB18030, not
// parsable, has no host or has another scheme.
[[nodiscard]] std::optional<DownloadUrl> usableDownloadUrl(std::string_view url);

}  // namespace sfx
