// The whole program on the offscreen platform: the real windows, page fetch
// and engine against a site served from 127.0.0.1, driven by clicks.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <map>
#include <string>

#include "platform/encoding.h"
#include "tests/app/program_fixture.h"
#include "ui/toolkit.h"

namespace sfx {
namespace {

using test::listingItem;
using test::readFile;
namespace fs = std::filesystem;

// Upper bound of the whole run: a fault shows as a failure, not a hung test.
constexpr int kRunLimitMs = 20000;

class ProgramTest : public test::ProgramFixture {
 protected:
  ProgramTest() : ProgramFixture("program") {
    files = {{"/media/rain.mp3", std::string(300000, 'r')},
             {"/media/thunder.mp3", std::string(1000, 't')},
             {"/media/wind.mp3", std::string(70000, 'w')}};
    for (const auto& [path, body] : files) serveFile(path, body);
    // Page 1 names page 2 as the last page in its pager; its audio URLs have no scheme.
    servePage("/list_0_0_1.html",
              "<html><body><ul>\n" + listingItem("雨声", origin() + "/media/rain.mp3") +
                  listingItem("雷声", origin() + "/media/thunder.mp3") +
                  "</ul>\n<div class=\"pager\"><a href=\"/list_0_0_1.html\">1</a><span class=\"ell\">...</span>"
                  "<a href=\"/list_0_0_2.html\">2</a><a href=\"/list_0_0_2.html\">下一页</a></div>\n</body></html>\n");
    servePage("/list_0_0_2.html", "<html><body><ul>\n" + listingItem("风/声", "http:" + origin() + "/media/wind.mp3") +
                                      "</ul></body></html>\n");
  }

  std::map<std::string, std::string> files;
};

TEST_F(ProgramTest, HarvestsTheListingAndDownloadsEveryFileIntoTheSaveFolder) {
  const std::string done = programText("列表文件下载完成！");
  const bool ended = runUntilMessage(
      [&] {
        type("编辑框_链接", server.url("/list_0_0_1.html"));
        click("按钮_解析页码");
        click("按钮_解析");
        type("编辑框_保存路径", saveFolder.string());  // no trailing "/": the files still go inside
        type("编辑框_检测周期", "20");
        click("按钮_下载");
      },
      done, kRunLimitMs);
  ASSERT_TRUE(ended) << "the batch did not end";

  Toolkit& ui = app->toolkit();
  EXPECT_EQ(ui.editText(EditBox::EndPage), "2");
  ASSERT_EQ(ui.rowCount(), 3);
  const std::string origin = "http://127.0.0.1:" + std::to_string(server.port());
  EXPECT_EQ(ui.cellText(0, kColumnUrl), origin + "/media/rain.mp3");
  EXPECT_EQ(ui.cellText(2, kColumnTitle), programText("风/声"));
  for (int row = 0; row < 3; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(ui.cellText(row, kColumnId), std::to_string(row + 1));
    EXPECT_EQ(ui.cellText(row, kColumnProgress), "100%");
    EXPECT_EQ(ui.cellText(row, kColumnRate), "-");
    EXPECT_EQ(ui.cellText(row, kColumnState), programText("完成"));
  }
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0].text, programText("解析完成！"));
  EXPECT_EQ(dialogs.messages[1].text, done);

  EXPECT_EQ(readFile(saveFolder / "雨声.mp3"), files["/media/rain.mp3"]);
  EXPECT_EQ(readFile(saveFolder / "雷声.mp3"), files["/media/thunder.mp3"]);
  EXPECT_EQ(readFile(saveFolder / "风_声.mp3"), files["/media/wind.mp3"]);
  EXPECT_EQ(std::distance(fs::directory_iterator(saveFolder), fs::directory_iterator()), 3);
}

}  // namespace
}  // namespace sfx
