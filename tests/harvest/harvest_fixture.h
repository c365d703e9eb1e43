// What the harvest tests share: the in-memory windows, the state, a fetcher
// serving pages from a map (a missing page gives the empty text, as an
// unreachable one does) and builders of the site's markup.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "harvest/harvest_context.h"
#include "harvest/listing_harvest.h"
#include "platform/encoding.h"
#include "tests/support/fake_toolkit.h"

namespace sfx::test {

inline std::string utf8(std::string_view programTextValue) { return gb18030ToUtf8(programTextValue).text; }

// The link of the windows' default form; the fetcher never leaves the map.
inline constexpr std::string_view kDefaultLink = "http://127.0.0.1:1/yinxiao/m101/zonghe_0_0_0_0_0_0_1.html";

inline std::string pageUrl(int page) {
  return "http://127.0.0.1:1/yinxiao/m101/zonghe_0_0_0_0_0_0_" + std::to_string(page) + ".html";
}

struct Item {
  std::string title;  // UTF-8
  std::string url;
};

// A listing page in the site's markup (UTF-8), one title link and player per item.
inline std::string listingPage(const std::vector<Item>& items) {
  std::string page = "<html><body>\n<ul class=\"list\">\n";
  for (const Item& item : items) {
    page += "<li><a  class='title' target=\"_blank\" href=\"/yinxiao/x.html\">" + item.title + "</a>\n";
    page += "  <audio controls><source src=\"" + item.url + "\" type=\"audio/mpeg\"></audio></li>\n";
  }
  return page + "</ul>\n</body></html>\n";
}

class HarvestFixture : public ::testing::Test {
 protected:
  HarvestFixture() {
    ui.edits[EditBox::Link] = std::string(kDefaultLink);
    ui.edits[EditBox::PageVariable] = "0_0_1";
    ui.edits[EditBox::StartPage] = "1";
    ui.edits[EditBox::EndPage] = "99";
    ui.edits[EditBox::PagePattern] = programText(kDefaultPagePatternUtf8);
  }

  // Serves `utf8Page` at `url` as the page fetch would: as a program text.
  void servePage(const std::string& url, std::string_view utf8Page) { pages[url] = programText(utf8Page); }

  // Each recorded message box as "text|flags|title" in UTF-8, "-" for no title.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const RecordedMessage& m : ui.messages)
      out.push_back(utf8(m.text) + "|" + std::to_string(m.flags) + "|" + (m.title ? utf8(*m.title) : "-"));
    return out;
  }

  std::vector<std::string> column(int column) const {
    std::vector<std::string> out;
    for (const FakeToolkit::Row& row : ui.rows) out.push_back(utf8(row.cells[column]));
    return out;
  }

  FakeToolkit ui;
  AppState state;
  std::map<std::string, std::string> pages;
  std::vector<std::string> fetched;
  HarvestContext context{ui, state, [this](std::string_view url) {
                           fetched.emplace_back(url);
                           const auto it = pages.find(std::string(url));
                           return it == pages.end() ? std::string() : it->second;
                         }};
};

}  // namespace sfx::test
