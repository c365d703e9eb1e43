#include "platform/curl_download.h"

#include <curl/curl.h>

#include <array>
#include <atomic>
#include <csignal>
#include <ctime>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/curl_transfer.h"
#include "platform/download_url.h"
#include "platform/encoding.h"
#include "platform/transfer_control.h"

namespace sfx {
namespace {

void initialiseOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    // Past a file-size limit a write must fail with EFBIG and end its task,
    // not kill the program with SIGXFSZ.
    std::signal(SIGXFSZ, SIG_IGN);
  });
}

// Connections, DNS answers and TLS sessions outlive a task, so a batch of
// small files keeps one connection as a browser would. Tasks of one object
// never run at the same time, so the share is never used by two threads at
// once; the locks order the hand-over from one task's thread to the next.
class CurlShare {
 public:
  CurlShare() : share_(curl_share_init()) {
    if (share_ == nullptr) return;  // then each task connects on its own
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &CurlShare::lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &CurlShare::unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  }
  ~CurlShare() { curl_share_cleanup(share_); }
  // libcurl keeps a pointer to this object for its lock callbacks.
  CurlShare(const CurlShare&) = delete;
  CurlShare& operator=(const CurlShare&) = delete;

  [[nodiscard]] CURLSH* get() const { return share_; }

 private:
  static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self) noexcept {
    static_cast<CurlShare*>(self)->mutexes_[data].lock();
  }
  static void unlock(CURL*, curl_lock_data data, void* self) noexcept {
    static_cast<CurlShare*>(self)->mutexes_[data].unlock();
  }

  std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
  CURLSH* share_;
};

// The reason as a program text. libcurl's and the system's texts are ASCII,
// but a host name in one may not be: anything that does not convert is
// shown as "?".
std::string programReason(const std::string& utf8) {
  ConvertResult converted = utf8ToGb18030(utf8);
  if (converted.error == ConvertError::Ok) return std::move(converted.text);
  std::string ascii = utf8;
  for (char& c : ascii) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  }
  return ascii;
}

std::string timeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[sizeof "00:00:00"] = {};
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

TransferOutcome outcomeOf(TransferError error) {
  switch (error) {
    case TransferError::Ok:
      return TransferOutcome::Completed;
    case TransferError::Stopped:
      return TransferOutcome::Stopped;
    case TransferError::BadText:
    case TransferError::Setup:
    case TransferError::Network:
    case TransferError::HttpStatus:
    case TransferError::ReceiveTimeout:
    case TransferError::File:
      return TransferOutcome::Failed;
  }
  return TransferOutcome::Failed;
}

struct Task {
  Task(const TaskParam& param, DownloadUrl url, int id) : param(param), url(std::move(url)), id(id) {}
  ~Task() {
    control.requestStop();
    if (thread.joinable()) thread.join();
  }
  Task(const Task&) = delete;
  Task& operator=(const Task&) = delete;

  const TaskParam param;  // the engine's own copy
  const DownloadUrl url;
  const int id;
  TransferControl control;
  std::atomic<bool> ended{false};  // the state routine has returned from code 4
  std::thread thread;
};

// The routines are the program's; one that throws must neither end the
// program from this thread nor keep the task from ending.
template <typename Routine, typename... Args>
void call(const Routine& routine, Args&&... args) {
  if (!routine) return;
  try {
    routine(std::forward<Args>(args)...);
  } catch (...) {
  }
}

// The task's thread: the transfer, then the reason of a failure, then code 4.
void runTask(Task& task, const TransferContext& context) {
  const BegunRoutine onBegun = [&task](std::int64_t totalLength) {
    call(task.param.stateRoutine, kCodeBegun, 0, totalLength, std::int64_t{0}, task.id);
  };
  const TransferReport report = runTransfer(task.param, task.url, context, task.control, onBegun);
  const TransferOutcome outcome = outcomeOf(report.error);
  if (outcome != TransferOutcome::Completed) {
    const std::string reason = programReason(report.reason);
    call(task.param.messageRoutine, 0, std::string_view(timeStamp()), std::string_view(reason),
         static_cast<int>(kMessageError), task.id);
  }
  call(task.param.stateRoutine, kCodeEnded, 0, report.bytes, static_cast<std::int64_t>(outcome), task.id);
  task.ended.store(true, std::memory_order_release);
}

}  // namespace

struct CurlDownload::Impl {
  explicit Impl(EngineOptions options) : context{share.get(), std::move(options.caBundleFile)} {}

  // A task still running: nothing of a new task may start.
  bool busy() const { return task && !task->ended.load(std::memory_order_acquire); }
  TransferControl* running() { return busy() ? &task->control : nullptr; }

  CurlShare share;  // outlives the task, whose handles use it
  const TransferContext context;
  std::mutex mutex;  // guards task and nextTaskId
  std::unique_ptr<Task> task;
  int nextTaskId = 1;
};

CurlDownload::CurlDownload(EngineOptions options) {
  initialiseOnce();
  impl_ = std::make_unique<Impl>(std::move(options));
}

CurlDownload::~CurlDownload() {
  std::unique_ptr<Task> task;
  {
    const std::lock_guard lock(impl_->mutex);
    task = std::move(impl_->task);
  }
  task.reset();  // stops the transfer, waits for code 4 and the thread; no lock held, so routines may call in
}

AddTaskResult CurlDownload::addTask(const TaskParam& param) {
  const std::lock_guard lock(impl_->mutex);
  if (impl_->busy()) return AddTaskResult::Busy;
  std::optional<DownloadUrl> url = usableDownloadUrl(param.url);
  if (!url) return AddTaskResult::UnusableUrl;

  impl_->task.reset();  // its thread has delivered code 4 and has only to return
  auto task = std::make_unique<Task>(param, std::move(*url), impl_->nextTaskId++);
  try {
    task->thread = std::thread(runTask, std::ref(*task), std::cref(impl_->context));
  } catch (const std::system_error&) {
    // No thread to be had just now: nothing has started, and the queue
    // offers a task it could not place again at its next tick.
    return AddTaskResult::Busy;
  }
  impl_->task = std::move(task);
  return AddTaskResult::Accepted;
}

std::int64_t CurlDownload::takeSpeed() {
  const std::lock_guard lock(impl_->mutex);
  TransferControl* control = impl_->running();
  return control != nullptr ? control->takeSpeed() : 0;
}

std::int64_t CurlDownload::doneLength() {
  const std::lock_guard lock(impl_->mutex);
  TransferControl* control = impl_->running();
  return control != nullptr ? control->doneLength() : 0;
}

std::string CurlDownload::localFilePath() {
  std::string utf8;
  {
    const std::lock_guard lock(impl_->mutex);
    TransferControl* control = impl_->running();
    if (control == nullptr) return {};
    utf8 = control->filePath();
  }
  return utf8ToGb18030(utf8).text;
}

}  // namespace sfx
