#include "platform/curl_download.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/encoding.h"
#include "platform/file_system.h"
#include "tests/support/loopback_server.h"

extern char** environ;

namespace sfx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Every wait of these tests ends; this long only when something is wrong.
constexpr auto kWait = 10s;

// ---------------------------------------------------------------------------
// Helpers

std::string bytesOf(std::size_t size, unsigned seed = 1) {
  std::string data(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : data) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  return data;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void writeFile(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "engine-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Every entry, hidden ones included, sorted.
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

template <typename Predicate>
bool waitUntil(Predicate done, std::chrono::milliseconds limit = kWait) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// A TCP server on 127.0.0.1 that runs `handler` on each connection, one at a
// time, for peers that misbehave in ways an HTTP library will not.
class RawServer {
 public:
  using Handler = std::function<void(int fd, RawServer& server)>;

  explicit RawServer(Handler handler) : handler_(std::move(handler)) {
    listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listen_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listen_, 8) != 0 ||
        getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length) != 0 || pipe2(wake_, O_CLOEXEC) != 0) {
      ADD_FAILURE() << "raw server: " << strerror(errno);
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~RawServer() {
    release();
    if (thread_.joinable()) thread_.join();
    close(listen_);
    close(wake_[0]);
    close(wake_[1]);
  }

  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  int connections() const { return connections_.load(); }

  // Ends every wait of the handlers, for good.
  void release() {
    if (!released_.exchange(true)) (void)!write(wake_[1], "x", 1);
  }
  // For handlers: until release() or `limit`.
  void waitForRelease(std::chrono::milliseconds limit = kWait) {
    pollfd wake{wake_[0], POLLIN, 0};
    poll(&wake, 1, static_cast<int>(limit.count()));
  }
  // For handlers: reads the request head, or gives up after a while.
  static std::string readHead(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
      pollfd in{fd, POLLIN, 0};
      if (poll(&in, 1, 5000) <= 0) break;
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      head.append(buffer, static_cast<std::size_t>(n));
    }
    return head;
  }
  static void send(int fd, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
      const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<std::size_t>(n);
    }
  }

 private:
  void serve() {
    while (true) {
      pollfd fds[2] = {{listen_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN) != 0) return;
      const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ++connections_;
      handler_(fd, *this);
      close(fd);
    }
  }

  Handler handler_;
  int listen_ = -1;
  int wake_[2] = {-1, -1};
  int port_ = 0;
  std::atomic<int> connections_{0};
  std::atomic<bool> released_{false};
  std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
int closedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

// Records what the engine reports for one task and checks, call by call,
// the order it promises: calls never overlap, all come from one thread that
// is not the caller's, code 3 at most once and before code 4, nothing after
// code 4.
class Recorder {
 public:
  struct Event {
    int code;  // kCodeMessage for the message routine
    std::int64_t value1;
    std::int64_t value2;
    std::string text;
  };
  static constexpr int kCodeMessage = -1;

  TaskParam param(const std::string& url, const std::string& target) {
    TaskParam param;
    param.taskFlags = kTaskFlagDownload;
    param.url = url;
    param.localFile = target;
    param.stateRoutine = [this](int code, int, std::int64_t value1, std::int64_t value2, int) {
      onCall({code, value1, value2, {}});
    };
    param.messageRoutine = [this](int, std::string_view, std::string_view message, int kind, int) {
      onCall({kCodeMessage, kind, 0, std::string(message)});
    };
    return param;
  }

  // Runs inside the code-4 call, before it returns.
  std::function<void()> duringEnd;

  bool waitEnded() { return waitFor([this] { return ended_; }); }
  bool waitBegun() { return waitFor([this] { return find(kCodeBegun) != nullptr; }); }

  std::vector<Event> events() const {
    const std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<std::string> violations() const {
    const std::lock_guard lock(mutex_);
    return violations_;
  }
  std::optional<Event> event(int code) const {
    const std::lock_guard lock(mutex_);
    const Event* found = find(code);
    return found != nullptr ? std::optional<Event>(*found) : std::nullopt;
  }
  std::optional<TransferOutcome> outcome() const {
    const auto end = event(kCodeEnded);
    return end ? std::optional(static_cast<TransferOutcome>(end->value2)) : std::nullopt;
  }
  // The texts of the error messages, in order.
  std::vector<std::string> errors() const {
    std::vector<std::string> texts;
    for (const Event& e : events()) {
      if (e.code == kCodeMessage && e.value1 == kMessageError) texts.push_back(e.text);
    }
    return texts;
  }

 private:
  template <typename Predicate>
  bool waitFor(Predicate done) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kWait, done);
  }
  const Event* find(int code) const {
    for (const Event& e : events_) {
      if (e.code == code) return &e;
    }
    return nullptr;
  }
  void violation(std::string what) { violations_.push_back(std::move(what)); }

  void onCall(Event event) {
    if (inCall_.exchange(true)) {
      const std::lock_guard lock(mutex_);
      violation("calls overlap");
    }
    {
      const std::lock_guard lock(mutex_);
      if (ended_) violation("a call after code 4");
      if (std::this_thread::get_id() == caller_) violation("a call on the caller's thread");
      if (!thread_) thread_ = std::this_thread::get_id();
      if (*thread_ != std::this_thread::get_id()) violation("calls from more than one thread");
      if (event.code == kCodeBegun && find(kCodeBegun) != nullptr) violation("code 3 twice");
      events_.push_back(event);
    }
    if (event.code == kCodeEnded && duringEnd) duringEnd();
    std::this_thread::sleep_for(1ms);  // widens the window in which an overlap would show
    {
      const std::lock_guard lock(mutex_);
      if (event.code == kCodeEnded) ended_ = true;
    }
    inCall_ = false;
    changed_.notify_all();
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Event> events_;
  std::vector<std::string> violations_;
  std::optional<std::thread::id> thread_;
  const std::thread::id caller_ = std::this_thread::get_id();
  std::atomic<bool> inCall_{false};
  bool ended_ = false;
};

class Engine : public ::testing::Test {
 protected:
  void TearDown() override {
    engine.reset();  // joins the task's thread: every call has been made
    for (const auto& r : recorders_) {
      for (const std::string& v : r->violations()) ADD_FAILURE() << "order of calls: " << v;
    }
  }

  std::string target(const std::string& name) const { return programText(dir.file(name)); }

  // The recorder of the task about to start; it lives as long as the test.
  Recorder& nextRecorder() { return *recorders_.emplace_back(std::make_unique<Recorder>()); }
  Recorder& recorder() { return recorders_.empty() ? nextRecorder() : *recorders_.back(); }

  // Offers the task until the engine takes it: right after a code 4 the
  // object may still hold the task that sent it.
  AddTaskResult offer(const TaskParam& param) {
    AddTaskResult result = AddTaskResult::Busy;
    waitUntil([&] { return (result = engine->addTask(param)) != AddTaskResult::Busy; });
    return result;
  }

  // Runs one task to its end with a new recorder; false when it was not
  // taken or did not end.
  bool download(const std::string& url, const std::string& name,
                const std::function<void(TaskParam&)>& adjust = {}) {
    TaskParam param = nextRecorder().param(url, target(name));
    if (adjust) adjust(param);
    return offer(param) == AddTaskResult::Accepted && recorder().waitEnded();
  }

  // A failed task: code 4 says Failed, its one error message came just
  // before, and nothing is left in the folder.
  void expectFailedCleanly() {
    EXPECT_EQ(recorder().outcome(), TransferOutcome::Failed);
    const std::vector<Recorder::Event> events = recorder().events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2].code, Recorder::kCodeMessage) << "the reason comes just before code 4";
    EXPECT_EQ(recorder().errors().size(), 1u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
  }

  TempDir dir;
  std::vector<std::unique_ptr<Recorder>> recorders_;  // outlive the engine, which calls them
  std::unique_ptr<CurlDownload> engine = std::make_unique<CurlDownload>();
};

// ---------------------------------------------------------------------------
// Completed transfers

TEST_F(Engine, CompletedFilesAreIdenticalAndCarryTheirLength) {
  const std::string fixed = bytesOf(3 * 1024 * 1024 + 123, 1);
  const std::string chunked = bytesOf(3 * 1024 * 1024 + 77, 2);
  test::LoopbackServer server;
  server.http().Get("/fixed.mp3", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(fixed, "application/octet-stream");
  });
  server.http().Get("/chunked.mp3", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/octet-stream", [&](std::size_t offset, httplib::DataSink& sink) {
      const std::size_t piece = std::min<std::size_t>(65536, chunked.size() - offset);
      if (piece == 0) {
        sink.done();
        return true;
      }
      return sink.write(chunked.data() + offset, piece);
    });
  });
  server.http().Get("/empty.wav", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("", "application/octet-stream");
  });
  server.http().Get(R"(/hop/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
    const int left = std::stoi(req.matches[1]);
    res.set_redirect(left > 0 ? "/hop/" + std::to_string(left - 1) : "/chunked.mp3", left % 2 ? 301 : 302);
    res.set_content("a redirect's own body, with its own length", "text/plain");
  });
  server.start();

  struct Case {
    const char* name;
    std::string url;
    std::string targetName;  // UTF-8
    const std::string* body;
    std::int64_t announced;
  };
  const std::string none;
  const Case cases[] = {
      {"with a Content-Length", server.url("/fixed.mp3"), "fixed.mp3", &fixed, std::int64_t(fixed.size())},
      {"chunked, no length", server.url("/chunked.mp3"), "chunked.mp3", &chunked, -1},
      {"empty file", server.url("/empty.wav"), "empty.wav", &none, 0},
      {"scheme in capitals", "HTTP://127.0.0.1:" + std::to_string(server.port()) + "/fixed.mp3", "caps.mp3", &fixed,
       std::int64_t(fixed.size())},
      {"Chinese target name", server.url("/fixed.mp3"), "雨声 (夜).mp3", &fixed, std::int64_t(fixed.size())},
      {"after three redirects", server.url("/hop/3"), "hops.mp3", &chunked, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(download(c.url, c.targetName));
    const Recorder& r = recorder();
    EXPECT_EQ(r.outcome(), TransferOutcome::Completed);
    ASSERT_TRUE(r.event(kCodeBegun));
    EXPECT_EQ(r.event(kCodeBegun)->value1, c.announced);
    EXPECT_EQ(r.event(kCodeEnded)->value1, std::int64_t(c.body->size()));
    EXPECT_EQ(r.errors(), std::vector<std::string>{});
    EXPECT_TRUE(readFile(dir.file(c.targetName)) == *c.body) << "the file's bytes differ";
    EXPECT_EQ(dir.entries(), std::vector<std::string>{c.targetName}) << "only the file, no temporary file";
    std::filesystem::remove(dir.file(c.targetName));
  }
}

}  // namespace
}  // namespace sfx
