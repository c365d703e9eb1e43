// One HTTP GET of a listing page over libcurl, as the harvest needs it:
// HTTP/1.0, a fixed User-Agent and "Accept: */*", no proxy of any kind
// (environment variables included), certificates verified, redirects
// followed, the body returned whatever the status code.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace sfx {

enum class FetchError {
  Ok = 0,
  BadUrl,       // empty, unparsable, or a scheme other than http/https
  Resolve,      // the host name could not be resolved
  Connect,      // no connection (refused, unreachable, connect time-out)
  Tls,          // TLS handshake or certificate check failed
  Send,         // the request could not be sent
  Read,         // the body ended early (cut, silent or too slow); `body` holds what arrived
  TooLarge,     // the body passed the page limit; nothing is kept
  TooManyRedirects,
  Other,
};

[[nodiscard]] const char* toString(FetchError error);

struct FetchLimits {
  // A host that has not answered the connection in this time is taken as
  // down; a harvest should move on to the next page rather than wait.
  std::chrono::milliseconds connectTimeout{20000};
  // A transfer that receives nothing for this long ends as a read error, so
  // a server that stalls cannot hold the harvest (and the window) forever.
  std::chrono::milliseconds idleTimeout{60000};
  // One that receives fewer bytes than this within an idleTimeout ends the
  // same way: a server that sends a byte a second is never idle, yet would
  // hold the window for days before a page was whole. A real listing page
  // arrives at many kilobytes a second.
  std::size_t minBytesPerWindow = 1024;
  // A page may move a few times; a longer chain is a loop.
  long maxRedirects = 10;
  // A listing page is a few hundred kilobytes; a body larger than this is
  // not a listing page, and is dropped rather than held in memory.
  std::size_t maxBodyBytes = std::size_t{64} << 20;
};

struct FetchResult {
  FetchError error = FetchError::Ok;
  long httpStatus = 0;
  std::string detail;  // curl's error text, for people
  std::string body;    // raw bytes
};

// `url` is UTF-8, used as given: no percent-encoding is added.
[[nodiscard]] FetchResult httpGet(std::string_view url, const FetchLimits& limits = {});

}  // namespace sfx
