#include "platform/curl_transfer.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string_view>
#include <variant>

#include "platform/encoding.h"
#include "platform/part_file.h"

namespace sfx {
namespace {

using Clock = std::chrono::steady_clock;

// Enough for any sane chain of mirrors; a loop ends as an error.
constexpr long kMaxRedirects = 10;
// The record's time-outs when it holds none (0 or less): its start-up value.
constexpr std::int32_t kDefaultTimeoutMs = 20000;
// libcurl's own bounds for its receive buffer.
constexpr long kMinReceiveBuffer = 1024;
constexpr long kMaxReceiveBuffer = CURL_MAX_READ_SIZE;
// The least receive buffer without a speed limit: on a fast link every
// receive and every write costs a system call, and the record's 20 KB
// blocks give a third less throughput than this.
constexpr long kFastReceiveBuffer = 128 * 1024;
// A transfer that receives fewer bytes than this within one receive time-out
// ends as if nothing had come: a server that sends a byte a second is never
// silent for the time-out, yet would hold the batch for days on one file.
constexpr std::int64_t kMinBytesPerWindow = 1024;
// Longest sleep in the transfer loop. A stop wakes it at once and libcurl
// shortens it for its own timers; this only bounds a missed wake-up.
constexpr int kMaxPollMs = 1000;
// Some servers refuse requests that carry no User-Agent at all.
constexpr char kUserAgent[] = "Mozilla/5.0 (compatible; sfx-harvester)";

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char a = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (a != prefix[i]) return false;
  }
  return true;
}

std::int32_t orDefault(std::int32_t timeoutMs) { return timeoutMs > 0 ? timeoutMs : kDefaultTimeoutMs; }

// The receive buffer: without a speed limit the record's receive block or
// more. With one, libcurl reads a whole buffer and then pauses until the
// average allows the next, so a buffer bigger than a second's worth would
// leave gaps long enough to look like a dead server.
long receiveBuffer(const TaskParam& param) {
  const long size = param.speedLimit > 0 ? std::min<long>(param.receiveBlock, param.speedLimit)
                                         : std::max<long>(param.receiveBlock, kFastReceiveBuffer);
  return std::clamp(size, kMinReceiveBuffer, kMaxReceiveBuffer);
}

class Transfer {
 public:
  Transfer(const TaskParam& param, const DownloadUrl& url, const TransferContext& context,
           TransferControl& control, const BegunRoutine& onBegun)
      : param_(param), url_(url), context_(context), control_(control), onBegun_(onBegun),
        receiveTimeout_(orDefault(param.receiveTimeout)) {}

  TransferReport run();

 private:
  struct Texts {  // the record's texts as libcurl takes them
    std::string target, ftpUser, ftpPassword, proxy, referer;
  };
  std::variant<Texts, const char*> convertTexts();
  CURLcode configure(const Texts& texts);
  TransferReport transfer();
  TransferReport finish(CURLcode result);
  TransferReport report(TransferError error, std::string reason);

  static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self) noexcept;
  static std::size_t onData(char* data, std::size_t size, std::size_t count, void* self) noexcept;
  static int onPrerequest(void* self, char*, char*, int, int) noexcept;
  bool header(std::string_view line);
  bool data(const char* bytes, std::size_t size);
  bool begin();
  void fail(TransferError error, std::string reason);
  // A request is under way: the receive time-out runs from now, the
  // minimum-speed rule from the answer's first byte.
  void startClocks() {
    connected_ = true;
    lastReceived_ = Clock::now();
    windowStart_.reset();
    windowBytes_ = 0;
  }
  void received(std::size_t bytes) {
    lastReceived_ = Clock::now();
    if (!windowStart_) windowStart_ = lastReceived_;
    windowBytes_ += static_cast<std::int64_t>(bytes);
  }
  // Why the server is taken as dead, or nothing: checked between libcurl's steps.
  std::optional<std::string> tooSlow(Clock::time_point now);
  Clock::time_point nextCheck() const {
    return std::min(lastReceived_, windowStart_.value_or(lastReceived_)) + receiveTimeout_;
  }

  const TaskParam& param_;
  const DownloadUrl& url_;
  const TransferContext& context_;
  TransferControl& control_;
  const BegunRoutine& onBegun_;
  const std::chrono::milliseconds receiveTimeout_;

  std::unique_ptr<CURL, EasyDeleter> easy_;
  PartFile file_;
  char errorBuffer_[CURL_ERROR_SIZE] = {};
  std::int64_t bytes_ = 0;
  bool connected_ = false;  // a request is under way: the receive time-out runs
  Clock::time_point lastReceived_;
  std::optional<Clock::time_point> windowStart_;  // the current stretch of the minimum-speed rule
  std::int64_t windowBytes_ = 0;                   // header and body bytes received in it
  bool inHttpResponse_ = false;
  bool locationSeen_ = false;
  bool begun_ = false;
  bool begunPending_ = false;  // code 3 is due once libcurl has returned
  std::int64_t totalLength_ = -1;
  TransferError failure_ = TransferError::Ok;  // the first failure a callback met
  std::string failureReason_;
};

// The record's texts in UTF-8, or the name of the first that is not valid GB18030.
std::variant<Transfer::Texts, const char*> Transfer::convertTexts() {
  Texts texts;
  const struct {
    const char* name;
    const std::string* from;
    std::string* to;
  } members[] = {
      {"target path", &param_.localFile, &texts.target},
      {"FTP user", &param_.ftpUser, &texts.ftpUser},
      {"FTP password", &param_.ftpPassword, &texts.ftpPassword},
      {"proxy", param_.proxyServer ? &*param_.proxyServer : nullptr, &texts.proxy},
      {"Referer", param_.refererValue ? &*param_.refererValue : nullptr, &texts.referer},
  };
  for (const auto& member : members) {
    if (member.from == nullptr || member.from->empty()) continue;
    ConvertResult converted = gb18030ToUtf8(*member.from);
    if (converted.error != ConvertError::Ok) return member.name;
    *member.to = std::move(converted.text);
  }
  return texts;
}

CURLcode Transfer::configure(const Texts& texts) {
  CURL* easy = easy_.get();
  CURLcode rc = CURLE_OK;
  auto set = [&](CURLoption option, auto value) {
    if (rc == CURLE_OK) rc = curl_easy_setopt(easy, option, value);
  };
  set(CURLOPT_URL, url_.url.c_str());
  set(CURLOPT_PROTOCOLS_STR, kDownloadProtocols);
  set(CURLOPT_REDIR_PROTOCOLS_STR, kDownloadProtocols);
  set(CURLOPT_FOLLOWLOCATION, 1L);
  set(CURLOPT_MAXREDIRS, kMaxRedirects);
  set(CURLOPT_NOSIGNAL, 1L);
  // A stop during a slow name lookup must not wait for libcurl's resolver
  // thread to finish it; the thread is left to end on its own.
  set(CURLOPT_QUICK_EXIT, 1L);
  set(CURLOPT_ERRORBUFFER, errorBuffer_);
  set(CURLOPT_SHARE, context_.share);
  // Connections pass from one task's handles to the next through the share,
  // which libcurl supports for HTTP/1.1 connections but not for HTTP/2 ones.
  set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  set(CURLOPT_USERAGENT, kUserAgent);
  set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(orDefault(param_.connectTimeout)));
  set(CURLOPT_BUFFERSIZE, receiveBuffer(param_));
  if (param_.speedLimit > 0) set(CURLOPT_MAX_RECV_SPEED_LARGE, static_cast<curl_off_t>(param_.speedLimit));
  // An empty proxy also keeps libcurl from taking one from the environment.
  set(CURLOPT_PROXY, texts.proxy.c_str());
  if (!texts.proxy.empty()) set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  if (!texts.referer.empty()) set(CURLOPT_REFERER, texts.referer.c_str());
  set(CURLOPT_SSL_VERIFYPEER, 1L);
  set(CURLOPT_SSL_VERIFYHOST, 2L);
  if (!context_.caBundleFile.empty()) set(CURLOPT_CAINFO, context_.caBundleFile.c_str());
  if (url_.isFtp) {
    set(CURLOPT_USERNAME, texts.ftpUser.c_str());
    set(CURLOPT_PASSWORD, texts.ftpPassword.c_str());
    set(CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>((receiveTimeout_.count() + 999) / 1000));
    // A cached FTP connection says QUIT when it is closed and waits for the
    // answer; closed here, that wait is bounded by this task's time-out.
    set(CURLOPT_FORBID_REUSE, 1L);
  }
  set(CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
  set(CURLOPT_HEADERDATA, this);
  set(CURLOPT_WRITEFUNCTION, &Transfer::onData);
  set(CURLOPT_WRITEDATA, this);
  set(CURLOPT_PREREQFUNCTION, &Transfer::onPrerequest);
  set(CURLOPT_PREREQDATA, this);
  return rc;
}

TransferReport Transfer::run() {
  const std::variant<Texts, const char*> converted = convertTexts();
  if (const char* const* bad = std::get_if<const char*>(&converted)) {
    return report(TransferError::BadText, std::string("the ") + *bad + " is not valid GB18030");
  }
  const Texts* texts = &std::get<Texts>(converted);
  if (const FileResult created = file_.create(texts->target); created.error != FileError::Ok) {
    return report(TransferError::File, created.detail);
  }
  control_.setFilePath(file_.path());

  easy_.reset(curl_easy_init());
  if (!easy_) return report(TransferError::Setup, "libcurl could not make a handle");
  if (const CURLcode rc = configure(*texts); rc != CURLE_OK) {
    return report(TransferError::Setup, curl_easy_strerror(rc));
  }
  return transfer();
}

TransferReport Transfer::transfer() {
  CURLM* multi = curl_multi_init();
  if (multi == nullptr) return report(TransferError::Setup, "libcurl could not make a handle");
  control_.attach(multi);
  // Set when the loop ends before libcurl has finished the transfer.
  TransferError early = TransferError::Ok;
  std::string earlyReason;
  CURLcode result = CURLE_OK;
  if (const CURLMcode rc = curl_multi_add_handle(multi, easy_.get()); rc != CURLM_OK) {
    early = TransferError::Setup;
    earlyReason = curl_multi_strerror(rc);
  }
  while (early == TransferError::Ok) {
    int running = 0;
    if (const CURLMcode rc = curl_multi_perform(multi, &running); rc != CURLM_OK) {
      early = TransferError::Setup;
      earlyReason = curl_multi_strerror(rc);
      break;
    }
    if (begunPending_) {
      begunPending_ = false;
      if (onBegun_) onBegun_(totalLength_);
    }
    int queued = 0;
    if (const CURLMsg* message = curl_multi_info_read(multi, &queued);
        message != nullptr && message->msg == CURLMSG_DONE) {
      result = message->data.result;
      break;
    }
    if (control_.stopRequested()) {
      early = TransferError::Stopped;
      earlyReason = "the transfer was stopped";
      break;
    }
    int waitMs = kMaxPollMs;
    if (connected_) {
      const Clock::time_point now = Clock::now();
      if (std::optional<std::string> reason = tooSlow(now)) {
        early = TransferError::ReceiveTimeout;
        earlyReason = std::move(*reason);
        break;
      }
      const auto untilCheck = std::chrono::ceil<std::chrono::milliseconds>(nextCheck() - now);
      waitMs = static_cast<int>(std::min<std::int64_t>(waitMs, untilCheck.count()));
    }
    curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
  }
  curl_multi_remove_handle(multi, easy_.get());
  control_.detach();
  curl_multi_cleanup(multi);
  return early != TransferError::Ok ? report(early, std::move(earlyReason)) : finish(result);
}

TransferReport Transfer::finish(CURLcode result) {
  if (failure_ != TransferError::Ok) return report(failure_, failureReason_);
  if (result != CURLE_OK) {
    return report(TransferError::Network, errorBuffer_[0] != '\0' ? errorBuffer_ : curl_easy_strerror(result));
  }
  const char* scheme = nullptr;
  long status = 0;
  curl_easy_getinfo(easy_.get(), CURLINFO_SCHEME, &scheme);
  curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status);
  if (scheme != nullptr && startsWithNoCase(scheme, "http") && status != 200 && status != 206) {
    return report(TransferError::HttpStatus, "HTTP " + std::to_string(status));
  }
  if (!begun_) {  // no response headers (FTP) and no data: an empty file
    if (!begin()) return report(failure_, failureReason_);
    begunPending_ = false;
    if (onBegun_) onBegun_(totalLength_);
  }
  if (const FileResult committed = file_.commit(); committed.error != FileError::Ok) {
    return report(TransferError::File, committed.detail);
  }
  control_.setFilePath(file_.path());
  return report(TransferError::Ok, {});
}

TransferReport Transfer::report(TransferError error, std::string reason) {
  easy_.reset();
  if (error != TransferError::Ok) file_.discard();
  return {error, std::move(reason), bytes_, file_.path()};
}

// Nothing at all within the receive time-out, or fewer than
// kMinBytesPerWindow bytes in the stretch of that length that has just ended.
// The first stretch starts with the answer's first byte: a server may take
// its time to answer as long as it answers within the time-out.
std::optional<std::string> Transfer::tooSlow(Clock::time_point now) {
  const std::string timeout = std::to_string(receiveTimeout_.count()) + " ms";
  if (now - lastReceived_ >= receiveTimeout_) return "nothing received for " + timeout;
  if (!windowStart_ || now - *windowStart_ < receiveTimeout_) return std::nullopt;
  if (windowBytes_ < kMinBytesPerWindow) {
    return "fewer than " + std::to_string(kMinBytesPerWindow) + " bytes received in " + timeout;
  }
  windowStart_ = now;
  windowBytes_ = 0;
  return std::nullopt;
}

void Transfer::fail(TransferError error, std::string reason) {
  if (failure_ != TransferError::Ok) return;
  failure_ = error;
  failureReason_ = std::move(reason);
}

// Called on the final response (or the first data of a protocol without
// headers): the file gets its full length before code 3 is sent.
bool Transfer::begin() {
  begun_ = true;
  curl_off_t length = -1;
  if (easy_ && curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK) length = -1;
  totalLength_ = std::max<std::int64_t>(length, -1);
  if (totalLength_ >= 0) {
    if (const FileResult resized = file_.resize(totalLength_); resized.error != FileError::Ok) {
      fail(TransferError::File, resized.detail);
      return false;
    }
  }
  begunPending_ = true;
  return true;
}

bool Transfer::header(std::string_view line) {
  if (!connected_) startClocks();  // an FTP server greets before any request
  received(line.size());
  if (startsWithNoCase(line, "http/")) {
    inHttpResponse_ = true;
    locationSeen_ = false;
    return true;
  }
  if (!inHttpResponse_) return true;  // an FTP server's reply
  if (startsWithNoCase(line, "location:")) locationSeen_ = true;
  if (line != "\r\n" && line != "\n") return true;

  inHttpResponse_ = false;
  long status = 0;
  curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status);
  if (status < 200) return true;                                        // interim: 100 Continue and the like
  if (status >= 300 && status < 400 && status != 304 && locationSeen_) return true;  // libcurl follows it
  if (status != 200 && status != 206) {
    fail(TransferError::HttpStatus, "HTTP " + std::to_string(status));
    return false;
  }
  return begin();
}

bool Transfer::data(const char* bytes, std::size_t size) {
  received(size);
  if (!begun_ && !begin()) return false;
  if (const FileResult written = file_.append(bytes, size); written.error != FileError::Ok) {
    fail(TransferError::File, written.detail);
    return false;
  }
  bytes_ += static_cast<std::int64_t>(size);
  control_.addBytes(static_cast<std::int64_t>(size));
  return true;
}

std::size_t Transfer::onHeader(char* data, std::size_t size, std::size_t count, void* self) noexcept {
  try {
    return static_cast<Transfer*>(self)->header({data, size * count}) ? size * count : 0;
  } catch (...) {
    return 0;  // ends the transfer as a write error
  }
}

std::size_t Transfer::onData(char* data, std::size_t size, std::size_t count, void* self) noexcept {
  try {
    return static_cast<Transfer*>(self)->data(data, size * count) ? size * count : 0;
  } catch (...) {
    return 0;
  }
}

// A connection is ready and the request is about to go out: from here on,
// silence and a trickle count against the receive time-out.
int Transfer::onPrerequest(void* self, char*, char*, int, int) noexcept {
  static_cast<Transfer*>(self)->startClocks();
  return CURL_PREREQFUNC_OK;
}

}  // namespace

const char* toString(TransferError error) {
  switch (error) {
    case TransferError::Ok:
      return "ok";
    case TransferError::Stopped:
      return "stopped";
    case TransferError::BadText:
      return "a text of the task is not valid";
    case TransferError::Setup:
      return "the transfer could not be set up";
    case TransferError::Network:
      return "network error";
    case TransferError::HttpStatus:
      return "the server did not send the file";
    case TransferError::ReceiveTimeout:
      return "receive time-out";
    case TransferError::File:
      return "file error";
  }
  return "unknown transfer error";
}

TransferReport runTransfer(const TaskParam& param, const DownloadUrl& url, const TransferContext& context,
                           TransferControl& control, const BegunRoutine& onBegun) {
  return Transfer(param, url, context, control, onBegun).run();
}

}  // namespace sfx
