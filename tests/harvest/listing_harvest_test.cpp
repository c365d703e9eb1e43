#include "harvest/listing_harvest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/harvest/harvest_fixture.h"

namespace sfx::test {
namespace {

const std::string kDone = "解析完成！|64|提醒";
const std::string kNoMatch = "匹配失败，请检检查正则语句是否有误，数量：0|16|-";
const std::string kBadPattern = "正则创建失败，请检查正则表达式语句是否有误！|16|-";

using ListingHarvestTest = HarvestFixture;

TEST_F(ListingHarvestTest, TwoPagesOfThreeMatches) {
  servePage(pageUrl(1), listingPage({{"雷声", "//cdn.test/1.mp3"}, {"雨声", "//cdn.test/2.mp3"},
                                     {"风声", "//cdn.test/3.mp3"}}));
  servePage(pageUrl(2), listingPage({{"鸟鸣", "//cdn.test/4.mp3"}, {"犬吠", "//cdn.test/5.mp3"},
                                     {"门铃", "//cdn.test/6.mp3"}}));
  ui.edits[EditBox::EndPage] = "2";
  // Rows of an earlier harvest go first.
  ui.setCell(ui.appendRow(), kColumnId, "old");

  std::vector<std::string> statusAfterEachPage;
  ui.onProcessEvents = [&] { statusAfterEachPage.push_back(utf8(ui.status[1]) + " " + utf8(ui.status[2])); };
  onParseClick(context);

  EXPECT_EQ(fetched, (std::vector<std::string>{pageUrl(1), pageUrl(2)}));
  EXPECT_EQ(column(kColumnId), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(column(kColumnTitle), (std::vector<std::string>{"雷声", "雨声", "风声", "鸟鸣", "犬吠", "门铃"}));
  EXPECT_EQ(column(kColumnUrl)[0], "http://cdn.test/1.mp3");
  EXPECT_EQ(column(kColumnUrl)[5], "http://cdn.test/6.mp3");
  for (const int c : {kColumnProgress, kColumnRate, kColumnState})
    EXPECT_EQ(column(c), std::vector<std::string>(6, "")) << "column " << c;
  EXPECT_EQ(state.currentRow, 5);
  EXPECT_EQ(statusAfterEachPage, (std::vector<std::string>{"共2页数据，正在解析第1页数据！ 已解析3条数据！",
                                                           "共2页数据，正在解析第2页数据！ 已解析6条数据！"}));
  EXPECT_EQ(utf8(ui.status[1]), "共2页数据，已全部解析完成！");
  EXPECT_EQ(utf8(ui.status[2]), "共6条解析数据！");
  EXPECT_EQ(messages(), std::vector<std::string>{kDone});
  EXPECT_EQ(ui.edits[EditBox::EndPage], "2");
}

TEST_F(ListingHarvestTest, UnreachablePageIsReportedAndTheHarvestGoesOn) {
  servePage(pageUrl(2), listingPage({{"a", "//x/1.mp3"}, {"b", "//x/2.mp3"}, {"c", "//x/3.mp3"}}));
  ui.edits[EditBox::EndPage] = "2";
  onParseClick(context);

  EXPECT_EQ(fetched, (std::vector<std::string>{pageUrl(1), pageUrl(2)}));
  EXPECT_EQ(messages(), (std::vector<std::string>{kNoMatch, kDone}));
  EXPECT_EQ(column(kColumnId), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(utf8(ui.status[2]), "共3条解析数据！");
}

TEST_F(ListingHarvestTest, FailingPatternIsReportedForEveryPage) {
  struct Case {
    const char* name;
    const char* pattern;
  };
  const Case cases[] = {
      {"unbalanced parenthesis", "<a (.*?</a>"},
      {"catastrophic backtracking", "(a+)+$"},
  };
  for (const Case& c : cases) {
    ui.messages.clear();
    fetched.clear();
    servePage(pageUrl(1), std::string(40, 'a') + "b");
    servePage(pageUrl(2), std::string(40, 'a') + "b");
    ui.edits[EditBox::EndPage] = "2";
    ui.edits[EditBox::PagePattern] = programText(c.pattern);
    onParseClick(context);

    EXPECT_EQ(fetched.size(), 2u) << c.name;
    EXPECT_EQ(messages(), (std::vector<std::string>{kBadPattern, kBadPattern, kDone})) << c.name;
    EXPECT_TRUE(ui.rows.empty()) << c.name;
    EXPECT_EQ(utf8(ui.status[2]), "共0条解析数据！") << c.name;
  }
}

TEST_F(ListingHarvestTest, PageUrlsFromLinkAndPageVariable) {
  struct Case {
    const char* name;
    const char* link;
    const char* variable;
    const char* start;
    const char* end;
    std::vector<std::string> expectedUrls;
  };
  const std::string link(kDefaultLink);
  const Case cases[] = {
      {"default link", link.c_str(), "0_0_1", "1", "3", {pageUrl(1), pageUrl(2), pageUrl(3)}},
      {"page 12", link.c_str(), "0_0_1", "12", "12", {pageUrl(12)}},
      {"empty variable", link.c_str(), "", "1", "2", {link, link}},
      {"absent variable", "http://127.0.0.1:1/list.html", "0_0_1", "1", "2",
       {"http://127.0.0.1:1/list.html", "http://127.0.0.1:1/list.html"}},
      {"variable twice", "http://127.0.0.1:1/0_0_1/list_0_0_1.html", "0_0_1", "3", "3",
       {"http://127.0.0.1:1/0_0_3/list_0_0_3.html"}},
      {"prefix fixed whatever the variable", "http://127.0.0.1:1/list?page=PAGE", "PAGE", "7", "7",
       {"http://127.0.0.1:1/list?page=0_0_7"}},
  };
  for (const Case& c : cases) {
    fetched.clear();
    ui.edits[EditBox::Link] = c.link;
    ui.edits[EditBox::PageVariable] = c.variable;
    ui.edits[EditBox::StartPage] = c.start;
    ui.edits[EditBox::EndPage] = c.end;
    onParseClick(context);
    EXPECT_EQ(fetched, c.expectedUrls) << c.name;
  }
}

TEST_F(ListingHarvestTest, PageRangeFromTheBoxes) {
  struct Case {
    const char* name;
    const char* start;
    const char* end;
    const char* expectedEndBox;
    std::vector<int> expectedPages;
    const char* expectedStatus;
  };
  const Case cases[] = {
      {"one page", "3", "3", "3", {3}, "共1页数据，已全部解析完成！"},
      {"three pages", "2", "4", "4", {2, 3, 4}, "共3页数据，已全部解析完成！"},
      {"inverted range reads the start page", "5", "3", "5", {5}, "共1页数据，已全部解析完成！"},
      {"leading zero", "05", "3", "5", {5}, "共1页数据，已全部解析完成！"},
      {"start without digits reads as 0", "x", "1", "1", {0, 1}, "共2页数据，已全部解析完成！"},
  };
  for (const Case& c : cases) {
    fetched.clear();
    ui.edits[EditBox::StartPage] = c.start;
    ui.edits[EditBox::EndPage] = c.end;
    onParseClick(context);

    EXPECT_EQ(ui.edits[EditBox::EndPage], c.expectedEndBox) << c.name;
    std::vector<std::string> expectedUrls;
    for (const int page : c.expectedPages) expectedUrls.push_back(pageUrl(page));
    EXPECT_EQ(fetched, expectedUrls) << c.name;
    EXPECT_EQ(utf8(ui.status[1]), c.expectedStatus) << c.name;
    EXPECT_EQ(messages().back(), kDone) << c.name;
  }
}

TEST_F(ListingHarvestTest, SchemeAddedToUrlsWithoutHttpOrHttps) {
  struct Case {
    const char* name;
    const char* harvested;
    const char* expected;
  };
  const Case cases[] = {
      {"protocol-relative", "//cdn.test/1.mp3", "http://cdn.test/1.mp3"},
      {"http kept", "http://cdn.test/2.mp3", "http://cdn.test/2.mp3"},
      {"https kept", "https://cdn.test/3.mp3", "https://cdn.test/3.mp3"},
      {"capital scheme", "HTTP://cdn.test/4.mp3", "http:HTTP://cdn.test/4.mp3"},
      {"mixed-case https", "Https://cdn.test/5.mp3", "http:Https://cdn.test/5.mp3"},
      {"root-relative path", "/sounds/6.mp3", "http:/sounds/6.mp3"},
      {"empty", "", "http:"},
  };
  std::vector<Item> items;
  for (const Case& c : cases) items.push_back({c.name, c.harvested});
  servePage(pageUrl(1), listingPage(items));
  ui.edits[EditBox::EndPage] = "1";
  onParseClick(context);

  ASSERT_EQ(ui.rows.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(column(kColumnTitle)[i], cases[i].name);
    EXPECT_EQ(column(kColumnUrl)[i], cases[i].expected) << cases[i].name;
  }
}

TEST_F(ListingHarvestTest, PatternWithOneGroupGivesBareScheme) {
  servePage(pageUrl(1), listingPage({{"a", "//x/1.mp3"}, {"b", "//x/2.mp3"}}));
  ui.edits[EditBox::EndPage] = "1";
  ui.edits[EditBox::PagePattern] = programText("<a  class='title'[^>]*>(.*?)</a>");
  onParseClick(context);

  EXPECT_EQ(column(kColumnTitle), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(column(kColumnUrl), (std::vector<std::string>{"http:", "http:"}));
}

TEST_F(ListingHarvestTest, ClosingMainWindowEndsTheHarvestAfterThePageInProgress) {
  for (int page = 1; page <= 3; ++page) servePage(pageUrl(page), listingPage({{"t", "//x/" + std::to_string(page)}}));
  ui.edits[EditBox::EndPage] = "3";
  ui.onProcessEvents = [&] { ui.mainWindowOpen_ = false; };
  onParseClick(context);

  EXPECT_EQ(fetched, std::vector<std::string>{pageUrl(1)});
  EXPECT_EQ(ui.rows.size(), 1u);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(utf8(ui.status[1]), "共3页数据，正在解析第1页数据！");
  EXPECT_EQ(utf8(ui.status[2]), "已解析1条数据！");
}

TEST_F(ListingHarvestTest, RowsAddedBetweenPagesAreKeptAndCounted) {
  servePage(pageUrl(1), listingPage({{"a", "//x/1.mp3"}}));
  servePage(pageUrl(2), listingPage({{"b", "//x/2.mp3"}}));
  ui.edits[EditBox::EndPage] = "2";
  bool added = false;
  ui.onProcessEvents = [&] {
    // The manual-add window appends a row while the harvest waits.
    if (added) return;
    added = true;
    const int row = ui.appendRow();
    ui.setCell(row, kColumnId, "2");
    ui.setCell(row, kColumnTitle, "manual");
  };
  onParseClick(context);

  EXPECT_EQ(column(kColumnId), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(column(kColumnTitle), (std::vector<std::string>{"a", "manual", "b"}));
  EXPECT_EQ(state.currentRow, 2);
  EXPECT_EQ(utf8(ui.status[2]), "共3条解析数据！");
}

}  // namespace
}  // namespace sfx::test
