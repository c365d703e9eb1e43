// The queue controller with the real engine against servers that misbehave
// and a disk that fills up: the row of the bad file ends "失败" with its
// reason as the tooltip, no temporary file is left, nothing is written
// outside the save folder, and the rows around it are fetched as usual.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/curl_download.h"
#include "queue/download.h"
#include "tests/platform/raw_server.h"
#include "tests/queue/queue_transfer_fixture.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/hostile_servers.h"
#include "tests/support/test_files.h"

namespace sfx {
namespace {

using namespace std::chrono_literals;
using test::bytesOf;
using test::Cells;
using test::Files;
using test::files;
using test::LoopbackServer;
using test::P;
using test::RawServer;

// The time-outs every transfer gets here instead of the controller's 20 s.
constexpr std::int32_t kShortTimeoutMs = 300;
// A loaded machine or a sanitizer build is slow; a hang is far slower.
constexpr auto kMargin = 3s;
// 15 bytes per shortened time-out, far under 1 KiB.
constexpr auto kDripInterval = 20ms;
constexpr std::size_t kMegabyte = 1000 * 1000;

// The real engine with the time-outs the controller sets for every transfer
// cut short, so that a dead server fails its row in a fraction of a second.
class ShortenedTimeouts final : public Download {
 public:
  AddTaskResult addTask(const TaskParam& param) override {
    TaskParam shortened = param;
    shortened.connectTimeout = shortened.sendTimeout = shortened.receiveTimeout = kShortTimeoutMs;
    return engine_.addTask(shortened);
  }
  std::int64_t takeSpeed() override { return engine_.takeSpeed(); }
  std::int64_t doneLength() override { return engine_.doneLength(); }
  std::string localFilePath() override { return engine_.localFilePath(); }

 private:
  CurlDownload engine_;
};

// The save folder is a folder of its own inside the test's folder, so that a
// file written beside it shows.
class QueueHostileTest : public test::QueueTransferTest {
 protected:
  void SetUp() override {
    QueueTransferTest::SetUp();
    saveFolder = folder + "/save";
    state.savePath = saveFolder + "/";
  }

  // Good rows before and after `url`, served by a server of their own.
  void listAround(const std::string& url) {
    ui.deleteAllRows();
    addRow("before", neighbours->url("/before.mp3"));
    addRow(P("坏文件"), url);
    addRow("after", neighbours->url("/after.mp3"));
  }

  Files filesInSaveFolder() {
    Files found;
    for (const auto& entry : std::filesystem::directory_iterator(saveFolder))
      found[entry.path().filename().string()] = test::fingerprint(test::readFile(entry.path()));
    return found;
  }

  void expectOnlyTheSaveFolder() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"save"}) << "nothing is written outside the save folder";
  }

  void serveNeighbours() {
    neighbours = &httpServer();
    serve(*neighbours, "/before.mp3", before);
    serve(*neighbours, "/after.mp3", after);
    neighbours->start();
  }

  const std::string before = bytesOf(3000, 21);
  const std::string after = bytesOf(4000, 22);
  std::string saveFolder;
  LoopbackServer* neighbours = nullptr;
};

TEST_F(QueueHostileTest, ABadServerFailsItsRowOnly) {
  serveNeighbours();
  start(std::make_unique<ShortenedTimeouts>());
  // A server that tries to name the file itself, outside the save folder.
  const std::string head = test::okHead("Content-Length: 100000\r\n"
                                        "Content-Disposition: attachment; filename=\"../../escaped.mp3\"\r\n");
  const std::string whole = bytesOf(300000, 23);
  const std::string unit = bytesOf(4093, 24);  // a length that does not divide the server's pieces
  const std::string big = test::repeatedTo(unit, 50 * kMegabyte);

  struct Case {
    const char* name;
    RawServer::Responder respond;
    std::string reasonPart;     // empty: the file arrives whole
    const std::string* served;  // what arrives when it does
    bool waits;                 // fails only once the shortened time-out has passed
  };
  const Case cases[] = {
      {"accepts and never answers", test::neverAnswers(), "nothing received for 300 ms", nullptr, true},
      {"one body byte at a time", test::drips(head, "a", kDripInterval), "fewer than 1024 bytes received in 300 ms",
       nullptr, true},
      {"one header byte at a time", test::drips("HTTP/1.1 200 OK\r\n", "X: a\r\n", kDripInterval),
       "fewer than 1024 bytes received in 300 ms", nullptr, true},
      {"reset mid-body", test::resetsAfter(head + bytesOf(30000)), "Connection reset by peer", nullptr, false},
      {"body shorter than its length", test::sendsAndCloses(head + bytesOf(30000)), "transfer closed", nullptr,
       false},
      {"redirect loop", test::redirectsToItself(), "redirects", nullptr, false},
      {"1 MB of header lines", test::manyHeaderLines(kMegabyte), "Too large response headers", nullptr, false},
      {"chunked without a length", test::streams(whole, whole.size(), true), "", &whole, false},
      {"a 50 MB file", test::streams(unit, big.size(), false), "", &big, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RawServer server(c.respond);
    listAround(server.url("/bad.mp3"));
    ui.messages.clear();
    const auto start = std::chrono::steady_clock::now();
    controller->onDownloadClick();
    ASSERT_TRUE(runBatch());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    expectEndMessageOnly();
    EXPECT_EQ(cells(0), (Cells{"100%", "-", P("完成")}));
    EXPECT_EQ(cells(2), (Cells{"100%", "-", P("完成")}));
    Files expected = files({{"before.mp3", before}, {"after.mp3", after}});
    if (c.reasonPart.empty()) {
      EXPECT_EQ(cells(1), (Cells{"100%", "-", P("完成")}));
      EXPECT_EQ(ui.rows[1].toolTip, "");
      expected["坏文件.mp3"] = test::fingerprint(*c.served);
    } else {
      EXPECT_EQ(ui.cellText(1, kColumnRate), "-");
      EXPECT_EQ(ui.cellText(1, kColumnState), P("失败"));
      EXPECT_NE(ui.rows[1].toolTip.find(c.reasonPart), std::string::npos) << ui.rows[1].toolTip;
      EXPECT_LT(elapsed, std::chrono::milliseconds(c.waits ? kShortTimeoutMs : 0) + kMargin);
    }
    EXPECT_EQ(filesInSaveFolder(), expected) << "the files, and no temporary one";
    expectOnlyTheSaveFolder();
    std::filesystem::remove_all(saveFolder);
  }
}

// Far below the bad file, far above the good ones.
constexpr rlim_t kFileSizeLimit = 64 * 1024;
// The whole child: servers, the batch, the checks.
constexpr auto kChildWait = 60s;

// The disk fills up while the bad file is written: its row fails with the
// write error, its temporary file is removed, the next row is fetched.
TEST_F(QueueHostileTest, AFullDiskFailsTheRowAndRemovesItsFile) {
  const std::string big = bytesOf(256 * 1024, 25);
  const auto check = [&] {
    serveNeighbours();
    RawServer server(test::streams(big, big.size(), true));  // no length: the file grows until the write fails
    startEngine();
    listAround(server.url("/big.mp3"));
    controller->onDownloadClick();
    ASSERT_TRUE(runBatch());
    expectEndMessageOnly();
    EXPECT_EQ(cells(0), (Cells{"100%", "-", P("完成")}));
    EXPECT_EQ(ui.cellText(1, kColumnState), P("失败"));
    EXPECT_NE(ui.rows[1].toolTip.find("File too large"), std::string::npos) << ui.rows[1].toolTip;
    EXPECT_EQ(cells(2), (Cells{"100%", "-", P("完成")}));
    // Every thread of the child ends before the child does.
    stopQueue();
    stopServers();
  };
  EXPECT_TRUE(test::passesWithFileSizeLimit(kFileSizeLimit, check, kChildWait)) << "the child's failures are above";
  EXPECT_EQ(filesInSaveFolder(), files({{"before.mp3", before}, {"after.mp3", after}}))
      << "the files, and no temporary one";
  expectOnlyTheSaveFolder();
}

}  // namespace
}  // namespace sfx
