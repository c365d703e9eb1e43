#include "platform/page_fetch.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/encoding.h"
#include "tests/platform/raw_server.h"
#include "tests/support/loopback_server.h"

namespace sfx {
namespace {

using test::LoopbackServer;
using test::RawServer;

// Serves each case's body, as raw bytes, at /<case number>.
class PageFetch : public ::testing::Test {
 protected:
  void serve(const std::map<std::string, std::string>& bodies, int status = 200) {
    server_.http().Get(R"(/(\d+))", [bodies, status](const httplib::Request& request, httplib::Response& response) {
      response.status = status;
      response.set_content(bodies.at(request.matches[1]), "text/html; charset=utf-8");
    });
    server_.start();
  }
  LoopbackServer server_;
};

TEST_F(PageFetch, ConvertsTheWholeBodyOrNothingThenCutsAtTheFirstZero) {
  struct Case {
    const char* name;
    std::string body;      // UTF-8 bytes as served
    std::string expected;  // program text
  };
  const Case cases[] = {
      {"ascii", "<html>ok</html>", "<html>ok</html>"},
      {"chinese", "<a>\xE9\x9B\xA8\xE5\xA3\xB0</a>", programText("<a>雨声</a>")},
      {"empty body", "", ""},
      {"invalid byte", "<a>\xE9\x9B\xA8</a>\xFF<b>", ""},
      {"lone continuation byte", "abc\x80", ""},
      {"overlong form", "\xC0\xAF", ""},
      {"sequence cut off at the end", "<a>\xE9\x9B\xA8\xE5\xA3", ""},
      // U+FEFF is a character like any other: GB18030 writes it as 84 31 95 33.
      {"byte-order mark", "\xEF\xBB\xBF<html>", "\x84\x31\x95\x33<html>"},
      {"zero byte inside", std::string("\xE9\x9B\xA8\0\xE5\xA3\xB0", 7), programText("雨")},
      {"zero byte first", std::string("\0abc", 4), ""},
      // The whole body is converted before the cut: bad bytes after the zero still count.
      {"invalid after the zero", std::string("abc\0\xFF", 5), ""},
  };
  std::map<std::string, std::string> bodies;
  for (std::size_t i = 0; i < std::size(cases); ++i) bodies[std::to_string(i)] = cases[i].body;
  serve(bodies);

  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string url = programText(server_.url("/" + std::to_string(i)));
    EXPECT_EQ(fetchPageText(url), cases[i].expected) << cases[i].name;
  }
}

TEST_F(PageFetch, ReadsAnErrorPageLikeAnyOther) {
  serve({{"1", "<h1>\xE6\x89\xBE\xE4\xB8\x8D\xE5\x88\xB0</h1>"}}, 404);
  EXPECT_EQ(fetchPageText(programText(server_.url("/1"))), programText("<h1>找不到</h1>"));
}

TEST_F(PageFetch, AnOversizedPageGivesTheEmptyText) {
  serve({{"1", std::string(5000, 'a')}});
  FetchLimits limits;
  limits.maxBodyBytes = 4096;
  EXPECT_EQ(fetchPageText(programText(server_.url("/1")), limits), "");
}

TEST(PageFetchUrl, GoesOutAsUtf8WithoutEscaping) {
  RawServer server([](RawServer&, int fd, const std::string&) { test::sendAll(fd, "HTTP/1.0 200 OK\r\n\r\nok"); });
  const std::string url = programText(server.url("/音效/第1页.html"));
  EXPECT_EQ(fetchPageText(url), "ok");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string& request = requests[0];
  EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /音效/第1页.html HTTP/1.0");
}

TEST(PageFetchUrl, ThatIsNotAProgramTextFetchesNothing) {
  RawServer server([](RawServer&, int fd, const std::string&) { test::sendAll(fd, "HTTP/1.0 200 OK\r\n\r\nok"); });
  // A GB18030 lead byte with nothing after it.
  EXPECT_EQ(fetchPageText(server.url("/page") + "\x81"), "");
  EXPECT_EQ(server.connections(), 0);
}

TEST(PageFetchFailure, GivesTheEmptyText) {
  EXPECT_EQ(fetchPageText(""), "");
  EXPECT_EQ(fetchPageText(programText("http://127.0.0.1:" + std::to_string(test::closedPort()) + "/")), "");
}

TEST(PageFetchFailure, ABodyCutShortKeepsTheWholeCharactersReceived) {
  struct Case {
    const char* name;
    std::string sent;
    std::string expected;
  };
  const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n";
  const Case cases[] = {
      {"cut between characters", head + "\xE9\x9B\xA8\xE5\xA3\xB0", programText("雨声")},
      {"cut inside a character", head + "\xE9\x9B\xA8\xE5\xA3", ""},
  };
  for (const Case& c : cases) {
    RawServer server([&c](RawServer&, int fd, const std::string&) { test::sendAll(fd, c.sent); });
    EXPECT_EQ(fetchPageText(programText(server.url("/"))), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace sfx
