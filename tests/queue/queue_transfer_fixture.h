// What the queue controller's tests with the real engine share: servers on
// 127.0.0.1, a gate that holds a response back, both timers played as the
// window plays them, and the save folder's files by name and contents.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/curl_download.h"
#include "tests/queue/queue_fixture.h"
#include "tests/support/loopback_server.h"
#include "tests/support/test_files.h"

namespace sfx::test {

// Every wait of these tests ends; this long only when something is wrong.
inline constexpr std::chrono::milliseconds kWait{20000};

// Size and hash of a file's contents, so that a mismatch prints short.
inline std::string fingerprint(const std::string& contents) {
  return std::to_string(contents.size()) + " bytes, hash " + std::to_string(std::hash<std::string>{}(contents));
}

// File name to the fingerprint of its contents.
using Files = std::map<std::string, std::string>;
inline Files files(std::initializer_list<std::pair<const std::string, std::string>> contents) {
  Files out;
  for (const auto& [name, data] : contents) out[name] = fingerprint(data);
  return out;
}

// Holds a response back until the test lets it go (or the wait runs out, so
// that a failing test never hangs the server).
class Gate {
 public:
  void open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    cv_.notify_all();
  }
  void wait() {
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, kWait, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
};

class QueueTransferTest : public QueueFixture {
 protected:
  void TearDown() override {
    gate.open();
    QueueFixture::TearDown();
    stopServers();
    if (!certFolder.empty()) std::filesystem::remove_all(certFolder);
  }

  void stopServers() {
    for (auto& server : servers) server->stop();
  }

  // The real engine; `caFile` is trusted for https.
  void startEngine(const std::string& caFile = {}) { start(std::make_unique<CurlDownload>(EngineOptions{caFile})); }

  // Serves `body` at `path`, counting the requests.
  void serve(LoopbackServer& server, const std::string& path, const std::string& body) {
    hits[path] = 0;
    server.http().Get(path, [this, path, body](const httplib::Request&, httplib::Response& response) {
      ++hits.at(path);
      response.set_content(body, "audio/mpeg");
    });
  }

  // Serves the first half of `body` at once and the rest when the gate opens.
  void serveHeldBack(LoopbackServer& server, const std::string& path, const std::string& body) {
    hits[path] = 0;
    server.http().Get(path, [this, path, body](const httplib::Request&, httplib::Response& response) {
      ++hits.at(path);
      response.set_content_provider(body.size(), "audio/mpeg",
                                    [this, body](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                      if (offset == 0) return sink.write(body.data(), body.size() / 2);
                                      gate.wait();
                                      return sink.write(body.data() + offset, body.size() - offset);
                                    });
    });
  }

  LoopbackServer& httpServer() {
    servers.push_back(std::make_unique<LoopbackServer>());
    return *servers.back();
  }

  // Plays both timers as the window would, until `done` holds or the wait runs out.
  bool runTimers(const std::function<bool()>& done, std::chrono::milliseconds limit = kWait) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      if (period(TimerId::Dispatch) > 0) controller->onDispatchTick();
      if (period(TimerId::Progress) > 0) controller->onProgressTick();
      if (ui.pumpUntil(done, std::chrono::milliseconds(10))) return true;
    }
    return false;
  }

  bool runBatch() {
    return runTimers([this] { return !ui.messages.empty(); });
  }

  bool isDownloading(int row) { return ui.cellText(row, kColumnState) == P("下载"); }

  void expectEndMessageOnly() {
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, P("列表文件下载完成！"));
    EXPECT_EQ(ui.messages[0].flags, kIconNone);
    EXPECT_EQ(ui.messages[0].title, P("提醒"));
    EXPECT_EQ(period(TimerId::Dispatch), 0);
    EXPECT_LE(period(TimerId::Progress), 0);  // stopped, or never started
  }

  // Name (UTF-8) and fingerprint of everything left in the save folder.
  Files savedFiles() {
    Files files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      files[entry.path().filename().string()] = fingerprint(readFile(entry.path()));
    return files;
  }

  std::string certFolder;  // made by the https test only
  std::vector<std::unique_ptr<LoopbackServer>> servers;
  std::map<std::string, std::atomic<int>> hits;  // one entry per path, made before the servers start
  Gate gate;
};

}  // namespace sfx::test
