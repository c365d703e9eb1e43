#include "platform/curl_download.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/encoding.h"
#include "platform/file_system.h"
#include "tests/platform/engine_fixture.h"
#include "tests/support/loopback_server.h"
#include "tests/support/self_signed_certificate.h"
#include "tests/support/test_files.h"

namespace sfx {
namespace {

using namespace std::chrono_literals;
using test::bytesOf;
using test::Clock;
using test::Engine;
using test::kWait;
using test::readFile;
using test::Recorder;
using test::TempDir;
using test::waitUntil;
using test::writeFile;

// ---------------------------------------------------------------------------
// Helpers

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
  const mode_t mask = umask(0);
  umask(mask);
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
    struct stat info {};
    ASSERT_EQ(stat(dir.file(c.targetName).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask) << "the mode of any new file";
    std::filesystem::remove(dir.file(c.targetName));
  }
  engine.reset();  // closes its kept connections, so the servers stop at once
}

// ---------------------------------------------------------------------------
// Failures: Failed in code 4, the reason first, no file left

TEST_F(Engine, TargetThatCannotBeCreatedFailsBeforeAnyRequest) {
  std::atomic<int> requests{0};
  test::LoopbackServer server;
  server.http().Get("/a.mp3", [&](const httplib::Request&, httplib::Response& res) {
    ++requests;
    res.set_content("data", "application/octet-stream");
  });
  server.start();
  writeFile(dir.file("plain-file"), "x");
  const std::string locked = dir.file("locked");
  std::filesystem::create_directory(locked);

  struct Case {
    const char* name;
    std::string targetName;
    std::string reasonPart;
  };
  const Case cases[] = {
      {"folder is a regular file", "plain-file/a.mp3", "Not a directory"},
      {"folder missing", "missing/a.mp3", "No such file or directory"},
      {"no file name", "locked/", "no file name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(download(server.url("/a.mp3"), c.targetName));
    EXPECT_EQ(recorder().outcome(), TransferOutcome::Failed);
    EXPECT_FALSE(recorder().event(kCodeBegun));
    ASSERT_EQ(recorder().errors().size(), 1u);
    EXPECT_NE(recorder().errors()[0].find(c.reasonPart), std::string::npos) << recorder().errors()[0];
    EXPECT_TRUE(std::filesystem::is_empty(locked));
  }
  ASSERT_TRUE(download(server.url("/a.mp3"), "unused", [&](TaskParam& p) { p.localFile = target("") + "\x81"; }));
  EXPECT_EQ(recorder().outcome(), TransferOutcome::Failed) << "a target that is not valid GB18030";
  EXPECT_EQ(recorder().errors(), std::vector<std::string>{"the target path is not valid GB18030"});
  EXPECT_EQ(requests.load(), 0) << "no request for a file that has nowhere to go";
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"locked", "plain-file"}));
  engine.reset();  // closes its kept connections, so the server stops at once
}

TEST_F(Engine, UnwritableFolderFails) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root: folder permissions do not bind";
  test::LoopbackServer server;
  server.http().Get("/a.mp3", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content("data", "application/octet-stream");
  });
  server.start();
  const std::string locked = dir.file("locked");
  std::filesystem::create_directory(locked);
  std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  ASSERT_TRUE(download(server.url("/a.mp3"), "locked/a.mp3"));
  EXPECT_EQ(recorder().outcome(), TransferOutcome::Failed);
  ASSERT_EQ(recorder().errors().size(), 1u);
  EXPECT_NE(recorder().errors()[0].find("Permission denied"), std::string::npos) << recorder().errors()[0];
  EXPECT_TRUE(std::filesystem::is_empty(locked));
  engine.reset();
}

// ---------------------------------------------------------------------------
// A running task: progress, the temporary file, refusals while busy

// Headers announcing `length` bytes, then `sent` of them, then silence
// until the server is released.
RawServer::Handler partialBody(std::size_t length, std::size_t sent) {
  return [=](int fd, RawServer& server) {
    RawServer::readHead(fd);
    RawServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n" +
                            bytesOf(sent));
    server.waitForRelease();
  };
}

TEST_F(Engine, RunningTaskShowsProgressOnAFullLengthFileAndRefusesOthers) {
  constexpr std::size_t kLength = 100000;
  constexpr std::size_t kSent = 4000;
  RawServer server(partialBody(kLength, kSent));
  Recorder& r = nextRecorder();
  AddTaskResult duringEnd = AddTaskResult::Accepted;
  r.duringEnd = [&] { duringEnd = engine->addTask(r.param(server.url("/b.mp3"), target("b.mp3"))); };
  ASSERT_EQ(engine->addTask(r.param(server.url("/a.mp3"), target("a.mp3"))), AddTaskResult::Accepted);

  ASSERT_TRUE(r.waitBegun());
  EXPECT_EQ(r.event(kCodeBegun)->value1, std::int64_t(kLength));
  ASSERT_TRUE(waitUntil([&] { return engine->doneLength() == std::int64_t(kSent); }));
  const std::string path = gb18030ToUtf8(engine->localFilePath()).text;
  EXPECT_EQ(std::filesystem::path(path).parent_path(), std::filesystem::path(dir.path()));
  EXPECT_EQ(std::filesystem::path(path).filename().string().front(), '.') << path;
  EXPECT_EQ(fileSize(path), std::int64_t(kLength)) << "full length before the data";
  EXPECT_FALSE(std::filesystem::exists(dir.file("a.mp3"))) << "nothing under the target's name yet";
  EXPECT_EQ(engine->takeSpeed(), std::int64_t(kSent));
  EXPECT_EQ(engine->takeSpeed(), 0);
  EXPECT_EQ(engine->addTask(r.param(server.url("/b.mp3"), target("b.mp3"))), AddTaskResult::Busy);
  EXPECT_EQ(engine->addTask(r.param("", target("b.mp3"))), AddTaskResult::Busy);

  server.release();  // the connection closes: the body is cut short
  ASSERT_TRUE(r.waitEnded());
  EXPECT_EQ(duringEnd, AddTaskResult::Busy) << "the object holds the task until code 4 has returned";
  EXPECT_EQ(r.outcome(), TransferOutcome::Failed);
  EXPECT_EQ(r.event(kCodeEnded)->value1, std::int64_t(kSent));
  EXPECT_FALSE(std::filesystem::exists(path));
  // Once code 4 has returned the object is empty and takes the next task.
  ASSERT_TRUE(waitUntil([&] { return engine->doneLength() == 0 && engine->localFilePath().empty(); }));
  Recorder& next = nextRecorder();
  EXPECT_EQ(offer(next.param("http://127.0.0.1:" + std::to_string(closedPort()) + "/c.mp3", target("c.mp3"))),
            AddTaskResult::Accepted);
  EXPECT_TRUE(next.waitEnded());
}

TEST_F(Engine, UnusableUrlsAreRefusedWithNothingStarted) {
  struct Case {
    const char* name;
    std::string url;
  };
  const Case cases[] = {
      {"empty", ""},
      {"mms", "mms://x/a"},
      {"file", "file:///etc/passwd"},
      {"no host", "http://"},
      {"https without a host", "https://"},
      {"javascript", "javascript:alert(1)"},
      {"no scheme", "example.com/a.mp3"},
      {"not GB18030", "http://127.0.0.1/\x81"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(engine->addTask(nextRecorder().param(c.url, target("a.mp3"))), AddTaskResult::UnusableUrl);
    EXPECT_EQ(engine->localFilePath(), "");
    EXPECT_EQ(engine->doneLength(), 0);
    EXPECT_EQ(engine->takeSpeed(), 0);
  }
  engine.reset();  // would wait for any thread that had started
  for (const auto& r : recorders_) EXPECT_TRUE(r->events().empty());
  EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

// ---------------------------------------------------------------------------
// Names: never overwrite, never skip

TEST_F(Engine, ExistingTargetsAreKeptAndTheFileTakesTheNextFreeName) {
  test::LoopbackServer server;
  server.http().Get("/new", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("new", "application/octet-stream");
  });
  server.start();

  struct Case {
    const char* name;
    std::string targetName;
    std::vector<std::string> expectedNames;  // of three downloads in a row
  };
  const std::string longStem(84, '\0');
  std::string chinese;
  for (int i = 0; i < 84; ++i) chinese += "声";  // 252 bytes in UTF-8
  const Case cases[] = {
      {"with an extension", "rain.mp3", {"rain.mp3", "rain(1).mp3", "rain(2).mp3"}},
      {"without a dot", "rain", {"rain", "rain(1)", "rain(2)"}},
      {"dots in the stem", "a.b.c.wav", {"a.b.c.wav", "a.b.c(1).wav", "a.b.c(2).wav"}},
      {"name at the length limit", chinese + ".mp", {chinese + ".mp", chinese.substr(0, 249) + "(1).mp",
                                                      chinese.substr(0, 249) + "(2).mp"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(dir.file(c.targetName), "old");
    for (std::size_t i = 1; i < c.expectedNames.size(); ++i) {
      ASSERT_TRUE(download(server.url("/new"), c.targetName));
      EXPECT_EQ(recorder().outcome(), TransferOutcome::Completed);
      EXPECT_EQ(readFile(dir.file(c.expectedNames[i])), "new");
    }
    EXPECT_EQ(readFile(dir.file(c.targetName)), "old") << "never overwritten";
    std::vector<std::string> expected = c.expectedNames;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dir.entries(), expected);
    for (const std::string& name : c.expectedNames) std::filesystem::remove(dir.file(name));
  }
  engine.reset();
}

// ---------------------------------------------------------------------------
// Stopping: destruction ends a running task within about a second

TEST_F(Engine, DestructionStopsARunningTaskQuickly) {
  std::atomic<bool> serving{true};
  test::LoopbackServer server;
  server.http().Get("/endless.mp3", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/octet-stream", [&](std::size_t, httplib::DataSink& sink) {
      static const std::string piece = bytesOf(16384);
      std::this_thread::sleep_for(20ms);
      return serving.load() && sink.write(piece.data(), piece.size());
    });
  });
  server.start();
  RawServer noAnswer([](int fd, RawServer& s) {
    RawServer::readHead(fd);
    s.waitForRelease();
  });

  struct Case {
    const char* name;
    std::string url;
    bool waitForData;
  };
  const Case cases[] = {
      {"while data flows", server.url("/endless.mp3"), true},
      {"while waiting for an answer", noAnswer.url("/a.mp3"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engine = std::make_unique<CurlDownload>();
    Recorder& r = nextRecorder();
    ASSERT_EQ(engine->addTask(r.param(c.url, target("a.mp3"))), AddTaskResult::Accepted);
    if (c.waitForData) {
      ASSERT_TRUE(waitUntil([&] { return engine->doneLength() > 0; }));
    } else {
      ASSERT_TRUE(waitUntil([&] { return noAnswer.connections() > 0; }));
    }
    const auto start = Clock::now();
    engine.reset();
    EXPECT_LT(Clock::now() - start, 1500ms);
    ASSERT_TRUE(r.event(kCodeEnded));
    EXPECT_EQ(r.outcome(), TransferOutcome::Stopped);
    EXPECT_EQ(r.event(kCodeBegun).has_value(), c.waitForData);
    EXPECT_EQ(r.errors().size(), 1u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
  }
  serving = false;
}

// ---------------------------------------------------------------------------
// Connections and requests

TEST_F(Engine, SuccessiveTasksReuseTheConnection) {
  std::mutex mutex;
  std::set<int> clientPorts;
  test::LoopbackServer server;
  server.http().Get(R"(/(\d+)\.mp3)", [&](const httplib::Request& req, httplib::Response& res) {
    {
      const std::lock_guard lock(mutex);
      clientPorts.insert(req.remote_port);
    }
    res.set_content(bytesOf(1000), "application/octet-stream");
  });
  server.start();
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(download(server.url("/" + std::to_string(i) + ".mp3"), std::to_string(i) + ".mp3"));
    EXPECT_EQ(recorder().outcome(), TransferOutcome::Completed);
  }
  EXPECT_EQ(clientPorts.size(), 1u) << "one connection for all four files";
  engine.reset();
}

TEST_F(Engine, HttpsChecksCertificatesAgainstTheStoreItIsGiven) {
  TempDir keys;
  const std::optional<test::CertificateFiles> made = test::makeSelfSignedCertificate(keys.path());
  ASSERT_TRUE(made) << "openssl could not make a test certificate";
  const std::string& cert = made->certificate;
  const std::string data = bytesOf(200000);
  test::LoopbackServer server(cert, made->key);
  ASSERT_TRUE(server.http().is_valid());
  server.http().Get("/a.mp3", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(data, "application/octet-stream");
  });
  server.start();

  ASSERT_TRUE(download(server.url("/a.mp3", "https"), "a.mp3"));
  expectFailedCleanly();
  EXPECT_NE(recorder().errors().at(0).find("certificate"), std::string::npos) << recorder().errors().at(0);

  engine = std::make_unique<CurlDownload>(EngineOptions{cert});
  ASSERT_TRUE(download(server.url("/a.mp3", "HTTPS"), "a.mp3"));
  EXPECT_EQ(recorder().outcome(), TransferOutcome::Completed);
  EXPECT_TRUE(readFile(dir.file("a.mp3")) == data);
  engine.reset();
}

// Restores an environment variable on leaving the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST_F(Engine, RequestsCarryOnlyWhatTheRecordAsksFor) {
  std::mutex mutex;
  std::vector<std::string> seen;  // "<server> <target> <referer>"
  auto recordingHandler = [&](const char* serverName) {
    return [&, serverName](const httplib::Request& req, httplib::Response& res) {
      {
        const std::lock_guard lock(mutex);
        const std::string referer = req.has_header("Referer") ? req.get_header_value("Referer") : "-";
        seen.push_back(std::string(serverName) + " " + req.target + " " + referer);
      }
      res.set_content("data", "application/octet-stream");
    };
  };
  test::LoopbackServer origin;
  origin.http().Get(".*", recordingHandler("origin"));
  origin.start();
  test::LoopbackServer proxy;
  proxy.http().Get(".*", recordingHandler("proxy"));
  proxy.start();
  const ScopedEnv httpProxy("http_proxy", ("http://127.0.0.1:" + std::to_string(closedPort())).c_str());
  const ScopedEnv allProxy("ALL_PROXY", ("http://127.0.0.1:" + std::to_string(closedPort())).c_str());

  struct Case {
    const char* name;
    std::function<void(TaskParam&)> adjust;
    std::string expected;
  };
  const std::string url = origin.url("/a.mp3");
  const Case cases[] = {
      {"plain: no proxy from the environment, no Referer", {}, "origin /a.mp3 -"},
      {"an empty Referer counts as none", [](TaskParam& p) { p.refererValue = ""; }, "origin /a.mp3 -"},
      {"Referer", [](TaskParam& p) { p.refererValue = "http://site/page"; }, "origin /a.mp3 http://site/page"},
      {"proxy from the record", [&](TaskParam& p) { p.proxyServer = proxy.url(""); }, "proxy " + url + " -"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(download(url, "a.mp3", c.adjust));
    EXPECT_EQ(recorder().outcome(), TransferOutcome::Completed);
    std::filesystem::remove(dir.file("a.mp3"));
    const std::lock_guard lock(mutex);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], c.expected);
    seen.clear();
  }
  engine.reset();
}

// ---------------------------------------------------------------------------
// FTP

// A minimal FTP server for one file in extended passive mode. Records the
// commands it was sent.
class FtpServer {
 public:
  explicit FtpServer(std::string file) : file_(std::move(file)), raw_([this](int fd, RawServer&) { serve(fd); }) {}

  std::string url(const std::string& path) const {
    std::string url = raw_.url(path);
    return "ftp" + url.substr(url.find(':'));
  }
  std::vector<std::string> commands() const {
    const std::lock_guard lock(mutex_);
    return commands_;
  }

 private:
  static std::string readLine(int fd) {
    std::string line;
    char c = 0;
    while (line.size() < 1024) {
      pollfd in{fd, POLLIN, 0};
      if (poll(&in, 1, 5000) <= 0 || read(fd, &c, 1) != 1) return {};
      if (c == '\n') break;
      if (c != '\r') line += c;
    }
    return line;
  }

  void serve(int fd) {
    RawServer::send(fd, "220 ready\r\n");
    int passive = -1;
    for (std::string line = readLine(fd); !line.empty(); line = readLine(fd)) {
      {
        const std::lock_guard lock(mutex_);
        commands_.push_back(line);
      }
      const std::string verb = line.substr(0, line.find(' '));
      if (verb == "USER") {
        RawServer::send(fd, "331 password please\r\n");
      } else if (verb == "PASS") {
        RawServer::send(fd, "230 logged in\r\n");
      } else if (verb == "PWD") {
        RawServer::send(fd, "257 \"/\"\r\n");
      } else if (verb == "CWD") {
        RawServer::send(fd, "250 here\r\n");
      } else if (verb == "EPSV") {
        passive = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(passive, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(passive, 1);
        getsockname(passive, reinterpret_cast<sockaddr*>(&address), &length);
        RawServer::send(fd, "229 passive (|||" + std::to_string(ntohs(address.sin_port)) + "|)\r\n");
      } else if (verb == "TYPE") {
        RawServer::send(fd, "200 type set\r\n");
      } else if (verb == "SIZE") {
        RawServer::send(fd, "213 " + std::to_string(file_.size()) + "\r\n");
      } else if (verb == "RETR" && passive >= 0) {
        RawServer::send(fd, "150 sending\r\n");
        pollfd in{passive, POLLIN, 0};
        const int data = poll(&in, 1, 5000) > 0 ? accept4(passive, nullptr, nullptr, SOCK_CLOEXEC) : -1;
        if (data >= 0) {
          RawServer::send(data, file_);
          close(data);
        }
        close(passive);
        passive = -1;
        RawServer::send(fd, "226 done\r\n");
      } else if (verb == "QUIT") {
        RawServer::send(fd, "221 bye\r\n");
        break;
      } else {
        RawServer::send(fd, "502 not here\r\n");
      }
    }
    if (passive >= 0) close(passive);
  }

  const std::string file_;
  mutable std::mutex mutex_;
  std::vector<std::string> commands_;
  RawServer raw_;  // last: its thread uses the members above
};

TEST_F(Engine, FtpFetchesWithTheLoginOfTheRecord) {
  struct Case {
    const char* name;
    std::string file;
    std::string user;  // empty: the record's start-up login
    std::string password;
  };
  const Case cases[] = {
      {"start-up login", bytesOf(300000), "", ""},
      {"given login", bytesOf(5000), "sounds", "secret"},
      {"empty file", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FtpServer server(c.file);
    ASSERT_TRUE(download(server.url("/pub/a.mp3"), "a.mp3", [&](TaskParam& p) {
      if (!c.user.empty()) p.ftpUser = c.user;
      if (!c.password.empty()) p.ftpPassword = c.password;
    }));
    EXPECT_EQ(recorder().outcome(), TransferOutcome::Completed) << ::testing::PrintToString(recorder().errors());
    ASSERT_TRUE(recorder().event(kCodeBegun));
    EXPECT_EQ(recorder().event(kCodeBegun)->value1, std::int64_t(c.file.size()));
    EXPECT_TRUE(readFile(dir.file("a.mp3")) == c.file);
    const std::vector<std::string> commands = server.commands();
    const TaskParam startUp;
    EXPECT_NE(std::find(commands.begin(), commands.end(), "USER " + (c.user.empty() ? startUp.ftpUser : c.user)),
              commands.end());
    EXPECT_NE(std::find(commands.begin(), commands.end(),
                        "PASS " + (c.password.empty() ? startUp.ftpPassword : c.password)),
              commands.end());
    EXPECT_NE(std::find(commands.begin(), commands.end(), "TYPE I"), commands.end()) << "binary, byte for byte";
    std::filesystem::remove(dir.file("a.mp3"));
  }
}

}  // namespace
}  // namespace sfx
