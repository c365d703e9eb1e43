#include "harvest/end_page.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/harvest/harvest_fixture.h"

namespace sfx::test {
namespace {

// A pager in the site's markup: the first page links, then optionally the
// ellipsis, the last page's link and the next-page link.
std::string pager(const std::string& lastPage, bool ellipsis = true, bool nextLink = true) {
  std::string out = "<div class=\"pages\"><a href=\"/p1.html\">1</a><a href=\"/p2.html\">2</a>"
                    "<a href=\"/p3.html\">3</a>";
  if (ellipsis) out += "<span class=\"ell\">...</span>";
  out += "<a href=\"/p" + lastPage + ".html\">" + lastPage + "</a>";
  if (nextLink) out += "<a href=\"/p2.html\">下一页</a>";
  return out + "</div>\n";
}

std::string pageWith(const std::string& pagers, std::string_view lineEnd = "\n") {
  std::string page = "<html><body>\n" + listingPage({{"雷声", "//x/1.mp3"}}) + pagers + "</body></html>\n";
  std::string out;
  for (const char c : page) {
    if (c == '\n')
      out += lineEnd;
    else
      out += c;
  }
  return out;
}

using EndPageTest = HarvestFixture;

TEST_F(EndPageTest, EndBoxFromThePagerOfTheLinkedPage) {
  struct Case {
    const char* name;
    std::optional<std::string> page;  // UTF-8; none: unreachable
    const char* expectedEndBox;
    std::int32_t expectedCount;
  };
  const Case cases[] = {
      {"pager with an ellipsis", pageWith(pager("57")), "57", 1},
      {"CRLF line ends", pageWith(pager("57"), "\r\n"), "57", 1},
      {"pager in capitals", pageWith("<DIV><SPAN CLASS=\"ELL\">...</SPAN><A HREF=\"/p9.html\">9</A>"
                                     "<A HREF=\"/p2.html\">下一页</A></DIV>\n"),
       "9", 1},
      {"two pagers: the second wins", pageWith(pager("57") + pager("12")), "12", 2},
      {"no ellipsis", pageWith(pager("5", false)), "1", 0},
      {"no next-page link", pageWith(pager("5", true, false)), "1", 0},
      {"pager split over lines", pageWith("<span class=\"ell\">...</span>\n<a href=\"/p57.html\">57</a>"
                                          "<a href=\"/p2.html\">下一页</a></div>\n"),
       "1", 0},
      {"last link not a number", pageWith(pager("末页")), "末页", 1},
      {"unreachable page", std::nullopt, "1", 0},
  };
  for (const Case& c : cases) {
    pages.clear();
    if (c.page) servePage(std::string(kDefaultLink), *c.page);
    ui.edits[EditBox::EndPage] = "99";
    onEndPageClick(context);
    EXPECT_EQ(utf8(ui.edits[EditBox::EndPage]), c.expectedEndBox) << c.name;
    EXPECT_TRUE(ui.messages.empty()) << c.name;

    ui.edits[EditBox::EndPage] = "99";
    EXPECT_EQ(parseEndPage(context, c.page ? programText(*c.page) : std::string()), c.expectedCount) << c.name;
  }
}

TEST_F(EndPageTest, ReadsTheLinkAsTypedWithTheFixedPattern) {
  const std::string link = "http://127.0.0.1:1/yinxiao/m101/zonghe_0_0_0_0_0_0_3.html";
  servePage(link, pageWith(pager("57")));
  ui.edits[EditBox::Link] = link;
  ui.edits[EditBox::PageVariable] = "0_0_3";
  // Whatever the page-number rule box holds has no effect.
  ui.edits[EditBox::PageNumberRule] = "(";
  ui.status[1] = "before";
  onEndPageClick(context);

  EXPECT_EQ(fetched, std::vector<std::string>{link});
  EXPECT_EQ(ui.edits[EditBox::EndPage], "57");
  EXPECT_TRUE(ui.rows.empty());
  EXPECT_EQ(ui.status[1], "before");
  EXPECT_EQ(ui.edits[EditBox::PageNumberRule], "(");
}

TEST_F(EndPageTest, HostilePagerEndsInTheFailureMessage) {
  // One line of thousands of links after an ellipsis and no next-page link:
  // the two greedy runs of the pattern would backtrack over every pair.
  std::string line = "<span class=\"ell\">...</span>";
  for (int i = 0; i < 5000; ++i) line += "<a href=\"/p.html\">" + std::to_string(i) + "</a>";
  servePage(std::string(kDefaultLink), pageWith(line + "</div>\n"));
  onEndPageClick(context);

  EXPECT_EQ(messages(), std::vector<std::string>{"正则创建失败，请检查正则表达式语句是否有误！|16|-"});
  EXPECT_EQ(ui.edits[EditBox::EndPage], "99");
}

}  // namespace
}  // namespace sfx::test
