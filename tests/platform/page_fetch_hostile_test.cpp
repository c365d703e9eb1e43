// The page fetch against servers that misbehave: every fetch ends within its
// shortened limits plus a margin, with the bytes and the page text its rules
// give, so a hostile site can hold the window no longer than the limits.
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "harvest/harvest_context.h"
#include "harvest/listing_harvest.h"
#include "platform/encoding.h"
#include "platform/http_get.h"
#include "platform/page_fetch.h"
#include "tests/platform/raw_server.h"
#include "tests/support/fake_toolkit.h"
#include "tests/support/hostile_servers.h"
#include "tests/support/test_files.h"

namespace sfx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::RawServer;

// The idle window of these tests; the minimum-speed rule keeps its 1 KiB.
constexpr auto kWindow = 600ms;
// libcurl looks at the clock about once a second while it waits, and a
// loaded machine or a sanitizer build is slower still.
constexpr auto kMargin = 3s;
// One byte per this is a few dozen bytes per window: far under 1 KiB.
constexpr auto kDripInterval = 50ms;
// The page limit of the program, which these tests do not shorten.
constexpr std::size_t kPageLimit = FetchLimits{}.maxBodyBytes;
constexpr std::size_t kMegabyte = 1000 * 1000;

FetchLimits shortenedLimits() {
  FetchLimits limits;
  limits.idleTimeout = kWindow;
  return limits;
}

TEST(PageFetchHostile, EveryFetchEndsWithinItsLimits) {
  const std::string head = test::okHeadWithLength(100000);
  const std::string dripped(100000, 'a');
  struct Case {
    const char* name;
    RawServer::Responder respond;
    FetchError expectedError;
    std::string body;  // ASCII, so the page text is the same bytes
    bool bodyCut;      // any beginning of `body` (the part that arrived) will do
    bool lastsAWindow;
  };
  const Case cases[] = {
      {"accepts and never answers", test::neverAnswers(), FetchError::Read, "", false, true},
      {"one body byte at a time", test::drips(head, "a", kDripInterval), FetchError::Read, dripped, true, true},
      {"one header byte at a time", test::drips("HTTP/1.1 200 OK\r\n", "X: a\r\n", kDripInterval),
       FetchError::Read, "", false, true},
      {"reset mid-body", test::resetsAfter(head + "<html>first part"), FetchError::Read, "<html>first part", false,
       false},
      {"redirect loop", test::redirectsToItself(), FetchError::TooManyRedirects, "", false, false},
      {"chunked without a length", test::streams("<li>chunk</li>\n", 300000, true), FetchError::Ok,
       test::repeatedTo("<li>chunk</li>\n", 300000), false, false},
      {"1 MB of header lines", test::manyHeaderLines(kMegabyte), FetchError::Read, "", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto expectBody = [&c](const std::string& got, const char* what) {
      if (c.bodyCut) {
        EXPECT_LT(got.size(), c.body.size()) << what;
        EXPECT_EQ(got, c.body.substr(0, got.size())) << what;
      } else {
        EXPECT_EQ(got, c.body) << what;
      }
    };
    // A fresh server per fetch: the second never waits for the first to wind down.
    for (const bool asPageText : {false, true}) {
      RawServer server(c.respond);
      const auto start = Clock::now();
      if (asPageText) {
        expectBody(fetchPageText(programText(server.url("/page.html")), shortenedLimits()), "page text");
      } else {
        const FetchResult result = httpGet(server.url("/page.html"), shortenedLimits());
        EXPECT_EQ(result.error, c.expectedError) << result.detail;

        expectBody(result.body, "bytes");
      }
      const auto elapsed = Clock::now() - start;
      if (c.lastsAWindow) {
        EXPECT_GE(elapsed, kWindow);
      }
      EXPECT_LT(elapsed, (c.lastsAWindow ? kWindow : 0ms) + kMargin);
    }
  }
}

// The site's pages are UTF-8 with Chinese text; a page just under the limit
// arrives whole and converts whole, whether its length is announced or not.
TEST(PageFetchHostile, A50MegabytePageComesWhole) {
  const std::string unit = "<li><a>雨声 风声 雷声</a><source src=\"//x/a.mp3\"></li>\n";
  const std::size_t copies = 50 * kMegabyte / unit.size();
  const std::string expected = test::repeatedTo(programText(unit), programText(unit).size() * copies);
  for (const bool chunked : {false, true}) {
    SCOPED_TRACE(chunked ? "chunked" : "with a Content-Length");
    RawServer server(test::streams(unit, unit.size() * copies, chunked));
    const std::string text = fetchPageText(programText(server.url("/big.html")), shortenedLimits());
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_TRUE(text == expected) << "the page text differs from the page";
  }
}

// Past the page limit nothing is kept, and the harvest tells the user as it
// does for any page without matches, then finishes.
TEST(PageFetchHostile, A100MegabytePageGivesTheEmptyTextAndTheZeroMatchMessage) {
  static_assert(100 * kMegabyte > kPageLimit);
  const std::string unit = "<li>x</li>\n";
  for (const bool chunked : {false, true}) {
    SCOPED_TRACE(chunked ? "chunked" : "with a Content-Length");
    {
      RawServer server(test::streams(unit, 100 * kMegabyte, chunked));
      const FetchResult result = httpGet(server.url("/huge.html"), shortenedLimits());
      EXPECT_EQ(result.error, FetchError::TooLarge) << result.detail;
      EXPECT_EQ(result.body.size(), 0u) << "nothing of the page is kept";
    }

    RawServer server(test::streams(unit, 100 * kMegabyte, chunked));
    test::FakeToolkit ui;
    AppState state;
    ui.edits[EditBox::Link] = programText(server.url("/zonghe_0_0_1.html"));
    ui.edits[EditBox::PageVariable] = "0_0_1";
    ui.edits[EditBox::StartPage] = "1";
    ui.edits[EditBox::EndPage] = "1";
    ui.edits[EditBox::PagePattern] = programText(kDefaultPagePatternUtf8);
    std::vector<std::string> pages;
    HarvestContext context{ui, state, [&pages](std::string_view url) {
                             pages.push_back(fetchPageText(url, shortenedLimits()));
                             return pages.back();
                           }};
    onParseClick(context);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], "");
    EXPECT_EQ(ui.rows.size(), 0u);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, programText("匹配失败，请检检查正则语句是否有误，数量：0"));
    EXPECT_EQ(ui.messages[0].flags, kIconError);
    EXPECT_EQ(ui.messages[1].text, programText("解析完成！"));
  }
}

}  // namespace
}  // namespace sfx
