// The engine against servers that misbehave and a disk that fills up: every
// task ends within its shortened time-outs plus a margin, as Failed with its
// reason just before code 4 and no file left behind, or complete and whole.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/curl_download.h"
#include "tests/platform/engine_fixture.h"
#include "tests/platform/raw_server.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/hostile_servers.h"
#include "tests/support/loopback_server.h"
#include "tests/support/test_files.h"

namespace sfx {
namespace {

using namespace std::chrono_literals;
using test::bytesOf;
using test::Clock;
using test::Engine;
using test::RawServer;

// The record's time-outs when a test leaves them alone.
const std::int32_t kRecordTimeoutMs = TaskParam{}.receiveTimeout;
// The receive time-out of the tests that wait for it.
constexpr std::int32_t kShortTimeoutMs = 300;
// A loaded machine or a sanitizer build is slow; a hang is far slower.
constexpr auto kMargin = 3s;
// One byte per this is 15 bytes per shortened time-out, far under 1 KiB,
// and a header line of six bytes well within it.
constexpr auto kDripInterval = 20ms;
constexpr std::size_t kMegabyte = 1000 * 1000;
// A 50 MB file takes a fraction of a second here, a few seconds in a
// sanitizer build on a busy machine.
constexpr auto kBigFileWait = 60s;

TEST_F(Engine, FailedTransfersLeaveNoFileAndSayWhy) {
  test::LoopbackServer server;
  server.http().Get("/missing.mp3", [](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content("not here", "text/plain");
  });
  server.http().Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
  server.http().Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("file:///etc/passwd");
  });
  server.http().Get("/moved-nowhere", [](const httplib::Request&, httplib::Response& res) { res.status = 302; });
  server.start();
  const std::string head = test::okHeadWithLength(100000);
  RawServer cutShort(test::sendsAndCloses(head + bytesOf(30000)));
  RawServer silent(test::sendsAndFallsSilent(head + bytesOf(30000)));
  RawServer noAnswer(test::neverAnswers());
  RawServer dripsBody(test::drips(head, bytesOf(64), kDripInterval));
  RawServer dripsHeaders(test::drips("HTTP/1.1 200 OK\r\n", "X: a\r\n", kDripInterval));
  RawServer resets(test::resetsAfter(head + bytesOf(30000)));
  RawServer hugeHead(test::manyHeaderLines(kMegabyte));

  enum class Reason { Exact, Part };
  struct Case {
    const char* name;
    std::string url;
    std::string reason;  // empty when any text will do
    Reason match;
    bool begun;  // code 3 came: the response was good until it broke off
    std::int32_t receiveTimeout = kRecordTimeoutMs;
  };
  const std::string tooSlow = "fewer than 1024 bytes received in 300 ms";
  const Case cases[] = {
      {"404", server.url("/missing.mp3"), "HTTP 404", Reason::Exact, false},
      {"302 without Location", server.url("/moved-nowhere"), "HTTP 302", Reason::Exact, false},
      {"connection refused", "http://127.0.0.1:" + std::to_string(test::closedPort()) + "/a.mp3", "", Reason::Exact,
       false},
      {"body cut short", cutShort.url("/a.mp3"), "", Reason::Exact, true},
      {"server stops sending", silent.url("/a.mp3"), "nothing received for 300 ms", Reason::Exact, true,
       kShortTimeoutMs},
      {"server never answers", noAnswer.url("/a.mp3"), "nothing received for 300 ms", Reason::Exact, false,
       kShortTimeoutMs},
      {"one body byte at a time", dripsBody.url("/a.mp3"), tooSlow, Reason::Exact, true, kShortTimeoutMs},
      {"one header byte at a time", dripsHeaders.url("/a.mp3"), tooSlow, Reason::Exact, false, kShortTimeoutMs},
      {"reset mid-body", resets.url("/a.mp3"), "Connection reset by peer", Reason::Part, true},
      {"1 MB of header lines", hugeHead.url("/a.mp3"), "Too large response headers", Reason::Part, false},
      {"redirect loop", server.url("/loop"), "", Reason::Exact, false},
      {"redirect to a file: URL", server.url("/to-file"), "", Reason::Exact, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto start = Clock::now();
    ASSERT_TRUE(download(c.url, "a.mp3", [&](TaskParam& p) { p.receiveTimeout = c.receiveTimeout; }));
    const auto elapsed = Clock::now() - start;
    expectFailedCleanly();
    const std::vector<std::string> errors = recorder().errors();
    ASSERT_EQ(errors.size(), 1u);
    if (c.reason.empty()) {
      EXPECT_FALSE(errors[0].empty());
    } else if (c.match == Reason::Exact) {
      EXPECT_EQ(errors[0], c.reason);
    } else {
      EXPECT_NE(errors[0].find(c.reason), std::string::npos) << errors[0];
    }
    EXPECT_EQ(recorder().event(kCodeBegun).has_value(), c.begun);
    const bool waits = c.receiveTimeout < kRecordTimeoutMs;
    if (waits) {
      EXPECT_GE(elapsed, std::chrono::milliseconds(c.receiveTimeout));
    }
    EXPECT_LT(elapsed, std::chrono::milliseconds(waits ? c.receiveTimeout : 0) + kMargin);
  }
  engine.reset();
}

// The rules end a dead or dripping server, not a slow one: a server may take
// most of the receive time-out to answer, and may send just over 1 KiB per
// time-out, and its file still arrives.
TEST_F(Engine, SlowServersAboveTheMinimumComplete) {
  // Longer than the others: a server thread held up by a busy machine must
  // not look like a slow server.
  constexpr std::int32_t kTimeoutMs = 1000;
  constexpr auto kTimeout = std::chrono::milliseconds(kTimeoutMs);
  const std::string body = bytesOf(6000);
  struct Case {
    const char* name;
    RawServer::Responder respond;
  };
  const Case cases[] = {
      {"answers late, then at speed",
       [&](RawServer& server, int fd, const std::string&) {
         server.holdUntilStopped(kTimeout * 2 / 3);
         test::sendAll(fd, test::okHeadWithLength(body.size()));
         server.holdUntilStopped(kTimeout * 2 / 3);
         test::sendAll(fd, body);
       }},
      {"1200 bytes every third of the time-out",
       [&](RawServer& server, int fd, const std::string&) {
         test::sendAll(fd, test::okHeadWithLength(body.size()));
         for (std::size_t sent = 0; sent < body.size(); sent += 1200) {
           server.holdUntilStopped(kTimeout / 3);
           test::sendAll(fd, std::string_view(body).substr(sent, 1200));
         }
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RawServer server(c.respond);
    ASSERT_TRUE(download(server.url("/slow.mp3"), "slow.mp3",
                         [](TaskParam& p) { p.receiveTimeout = kTimeoutMs; }));
    EXPECT_EQ(recorder().outcome(), TransferOutcome::Completed) << ::testing::PrintToString(recorder().errors());
    EXPECT_TRUE(test::readFile(dir.file("slow.mp3")) == body) << "the file's bytes differ";
    std::filesystem::remove(dir.file("slow.mp3"));
  }
}

// A file far larger than any the site serves arrives whole, whether its
// length is announced or not.
TEST_F(Engine, A50MegabyteFileCompletes) {
  constexpr std::size_t kSize = 50 * kMegabyte;
  const std::string unit = bytesOf(4093);  // a length that does not divide the server's pieces
  const std::string expected = test::repeatedTo(unit, kSize);

  struct Case {
    const char* name;
    bool chunked;
    std::int64_t announced;
  };
  const Case cases[] = {{"with a Content-Length", false, std::int64_t{kSize}}, {"chunked", true, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RawServer server(test::streams(unit, kSize, c.chunked));
    ASSERT_EQ(offer(nextRecorder().param(server.url("/big.mp3"), target("big.mp3"))), AddTaskResult::Accepted);
    ASSERT_TRUE(recorder().waitEnded(kBigFileWait));
    EXPECT_EQ(recorder().outcome(), TransferOutcome::Completed) << ::testing::PrintToString(recorder().errors());
    ASSERT_TRUE(recorder().event(kCodeBegun));
    EXPECT_EQ(recorder().event(kCodeBegun)->value1, c.announced);
    EXPECT_EQ(recorder().event(kCodeEnded)->value1, std::int64_t{kSize});
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"big.mp3"});
    EXPECT_TRUE(test::readFile(dir.file("big.mp3")) == expected) << "the file's bytes differ";
    std::filesystem::remove(dir.file("big.mp3"));
  }
}

// Far below the file, far above anything else the child writes.
constexpr rlim_t kFileSizeLimit = 64 * 1024;
// The whole child: a server, two tasks, the checks.
constexpr auto kChildWait = 60s;

// The disk fills up during the download: the write fails, the task ends as
// Failed with the system's reason and the temporary file is removed.
TEST_F(Engine, WriteErrorEndsTheTaskAndRemovesTheFile) {
  const auto check = [this] {
    const std::string data = bytesOf(256 * 1024);
    test::LoopbackServer server;
    server.http().Get("/fixed.mp3", [&](const httplib::Request&, httplib::Response& res) {
      res.set_content(data, "application/octet-stream");
    });
    server.http().Get("/chunked.mp3", [&](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("application/octet-stream", [&](std::size_t offset, httplib::DataSink& sink) {
        if (offset >= data.size()) {
          sink.done();
          return true;
        }
        return sink.write(data.data() + offset, std::min<std::size_t>(16384, data.size() - offset));
      });
    });
    server.start();

    struct Case {
      const char* name;
      const char* path;
      bool begun;  // a known length fails at once, before code 3
    };
    const Case cases[] = {{"length announced", "/fixed.mp3", false}, {"length unknown", "/chunked.mp3", true}};
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      ASSERT_TRUE(download(server.url(c.path), "a.mp3"));
      expectFailedCleanly();
      EXPECT_EQ(recorder().event(kCodeBegun).has_value(), c.begun);
      EXPECT_NE(recorder().errors().at(0).find("File too large"), std::string::npos) << recorder().errors().at(0);
    }
    stopAndCheckCalls();
  };
  EXPECT_TRUE(test::passesWithFileSizeLimit(kFileSizeLimit, check, kChildWait)) << "the child's failures are above";
  EXPECT_EQ(dir.entries(), std::vector<std::string>{}) << "nothing left once the child has ended";
}

}  // namespace
}  // namespace sfx
