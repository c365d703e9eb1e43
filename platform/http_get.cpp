#include "platform/http_get.h"

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <new>

namespace sfx {
namespace {

// The site's pages were written for old desktop browsers; the request says so.
constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// Only these may be fetched, on the first request and on every redirect:
// anything else (file:, ftp:, …) could read local files or reach other services.
constexpr const char* kAllowedProtocols = "http,https";

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
template <typename T>
using CurlPtr = std::unique_ptr<T, CurlDeleter>;

// libcurl is set up once, at the first fetch, and kept until the program ends.
bool curlReady() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return ready;
}

// The path and query of a page link, sent exactly as written. libcurl
// percent-encodes every byte above 0x7F in a path it sends, which would
// change the request line the site sees; handing it the request target
// itself keeps the bytes. Empty when the URL cannot be fetched: libcurl
// would guess "http" for a URL without a scheme, so it is parsed here
// without guessing, and only http and https pass.
std::string requestTargetOf(const std::string& url) {
  CurlPtr<CURLU> parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return {};
  auto part = [&parsed](CURLUPart which) {
    char* text = nullptr;
    if (curl_url_get(parsed.get(), which, &text, 0) != CURLUE_OK) return std::string();
    std::string value(text);
    curl_free(text);
    return value;
  };
  const std::string scheme = part(CURLUPART_SCHEME);
  if (scheme != "http" && scheme != "https") return {};
  std::string target = part(CURLUPART_PATH);  // dot segments already resolved, never empty
  const std::string query = part(CURLUPART_QUERY);
  if (!query.empty()) target += "?" + query;
  return target;
}

// What the callbacks share with the caller. The callbacks only record; the
// outcome is decided once, after curl_easy_perform returns.
struct Transfer {
  Transfer(CURL* handle, const FetchLimits& fetchLimits) : curl(handle), limits(fetchLimits) {}
  CURL* curl;
  const FetchLimits& limits;
  std::string body;
  bool tooLarge = false;
  bool idleExpired = false;
  bool tooSlow = false;
  std::chrono::steady_clock::time_point lastActivity = std::chrono::steady_clock::now();
  // The current stretch of the minimum-speed rule and the bytes (headers and
  // body) received in it.
  std::chrono::steady_clock::time_point windowStart = lastActivity;
  std::size_t windowBytes = 0;

  void received(std::size_t bytes) {
    lastActivity = std::chrono::steady_clock::now();
    windowBytes += bytes;
  }
  // A new request (a redirect's hop) starts both clocks afresh.
  void restartClocks() {
    lastActivity = windowStart = std::chrono::steady_clock::now();
    windowBytes = 0;
  }
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  transfer->received(bytes);
  try {
    if (transfer->body.empty()) {
      // One allocation of the announced size instead of a chain of copies;
      // a size past the limit fails at once.
      curl_off_t announced = -1;
      curl_easy_getinfo(transfer->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
      if (announced > 0 && static_cast<std::uint64_t>(announced) > transfer->limits.maxBodyBytes) {
        transfer->tooLarge = true;
        return 0;
      }
      if (announced > 0) transfer->body.reserve(static_cast<std::size_t>(announced));
    }
    if (bytes > transfer->limits.maxBodyBytes - transfer->body.size()) {
      transfer->tooLarge = true;
      return 0;  // anything but `bytes` makes libcurl stop with CURLE_WRITE_ERROR
    }
    transfer->body.append(data, bytes);
  } catch (const std::bad_alloc&) {
    transfer->tooLarge = true;
    return 0;
  }
  return bytes;
}

// Headers count as activity too: a server that answers slowly is not idle,
// and one that sends endless header lines slowly is too slow all the same.
size_t onHeader(char*, size_t size, size_t count, void* user) {
  static_cast<Transfer*>(user)->received(size * count);
  return size * count;
}

// libcurl calls this at least once a second while it waits, so it is where
// a silent or a dripping server is noticed.
int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(user);
  const auto now = std::chrono::steady_clock::now();
  const auto window = transfer->limits.idleTimeout;
  if (now - transfer->lastActivity >= window) {
    transfer->idleExpired = true;
    return 1;  // CURLE_ABORTED_BY_CALLBACK
  }
  if (now - transfer->windowStart < window) return 0;
  if (transfer->windowBytes < transfer->limits.minBytesPerWindow) {
    transfer->tooSlow = true;
    return 1;
  }
  transfer->windowStart = now;
  transfer->windowBytes = 0;
  return 0;
}

FetchError classify(CURLcode code, const Transfer& transfer) {
  switch (code) {
    case CURLE_OK:
      return FetchError::Ok;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return FetchError::BadUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
      return FetchError::Resolve;
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:  // only the connect time-out is set
      return FetchError::Connect;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return FetchError::Tls;
    case CURLE_SEND_ERROR:
      return FetchError::Send;
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
      return FetchError::Read;
    case CURLE_WRITE_ERROR:
      return transfer.tooLarge ? FetchError::TooLarge : FetchError::Other;
    case CURLE_ABORTED_BY_CALLBACK:
      return transfer.idleExpired || transfer.tooSlow ? FetchError::Read : FetchError::Other;
    case CURLE_TOO_MANY_REDIRECTS:
      return FetchError::TooManyRedirects;
    default:
      return FetchError::Other;
  }
}

void configure(CURL* curl, const FetchLimits& limits, curl_slist* headers, Transfer& transfer) {
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  // Redirects are followed by httpGet itself, hop by hop; this list holds
  // for every hop.
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, kAllowedProtocols);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  // Always direct: an empty proxy and "no proxy for any host" also override
  // http_proxy, HTTPS_PROXY, ALL_PROXY and the like from the environment.
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
  // Fetches may run on several threads; name resolution must not use signals.
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
}

}  // namespace

const char* toString(FetchError error) {
  switch (error) {
    case FetchError::Ok:
      return "ok";
    case FetchError::BadUrl:
      return "bad URL";
    case FetchError::Resolve:
      return "host name not resolved";
    case FetchError::Connect:
      return "no connection";
    case FetchError::Tls:
      return "TLS handshake or certificate check failed";
    case FetchError::Send:
      return "request not sent";
    case FetchError::Read:
      return "body ended early";
    case FetchError::TooLarge:
      return "page too large";
    case FetchError::TooManyRedirects:
      return "too many redirects";
    case FetchError::Other:
      return "transfer failed";
  }
  return "unknown fetch error";
}

FetchResult httpGet(std::string_view url, const FetchLimits& limits) {
  FetchResult result;
  // libcurl reads the URL as a C string: a zero byte inside would cut it.
  std::string current(url);
  const std::string firstTarget = current.find('\0') == std::string::npos ? requestTargetOf(current) : "";
  if (firstTarget.empty()) {
    result.error = FetchError::BadUrl;
    return result;
  }
  if (!curlReady()) {
    result.error = FetchError::Other;
    result.detail = "libcurl could not be initialised";
    return result;
  }
  CurlPtr<CURL> curl(curl_easy_init());
  CurlPtr<curl_slist> headers(curl_slist_append(nullptr, "Accept: */*"));
  if (!curl || !headers) {
    result.error = FetchError::Other;
    result.detail = "out of memory";
    return result;
  }

  Transfer transfer(curl.get(), limits);
  char curlError[CURL_ERROR_SIZE] = {};
  configure(curl.get(), limits, headers.get(), transfer);
  curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, curlError);
  curl_easy_setopt(curl.get(), CURLOPT_URL, current.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_REQUEST_TARGET, firstTarget.c_str());

  CURLcode code = CURLE_OK;
  for (long hop = 0;; ++hop) {
    code = curl_easy_perform(curl.get());
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &result.httpStatus);
    char* next = nullptr;
    if (code != CURLE_OK || curl_easy_getinfo(curl.get(), CURLINFO_REDIRECT_URL, &next) != CURLE_OK || !next) break;
    if (hop == limits.maxRedirects) {
      code = CURLE_TOO_MANY_REDIRECTS;
      break;
    }
    // libcurl resolved the Location against the page; a relative one keeps
    // the page's credentials, one naming another host carries none. Its
    // target is left to libcurl, as the site wrote it.
    current = next;
    curl_easy_setopt(curl.get(), CURLOPT_URL, current.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_REQUEST_TARGET, nullptr);
    transfer.body.clear();  // the redirect's own body is no part of the page
    transfer.restartClocks();
  }

  result.error = classify(code, transfer);
  if (code != CURLE_OK) result.detail = curlError[0] != '\0' ? curlError : curl_easy_strerror(code);
  if (transfer.idleExpired) result.detail = "no data received within the idle time-out";
  if (transfer.tooSlow) {
    result.detail = "fewer than " + std::to_string(limits.minBytesPerWindow) + " bytes within the idle time-out";
  }

  // Only a complete body, or the part that came before a read error, is
  // handed on; the rest is released here, so an oversized page is not kept.
  if (result.error == FetchError::Ok || result.error == FetchError::Read) {
    result.body = std::move(transfer.body);
  }
  return result;
}

}  // namespace sfx
