// Listing pages written to break the program, harvested and downloaded by the
// whole program: titles that try to leave the save folder or hold what no
// file name may, and audio links with queries, fragments, spaces, foreign
// schemes or nothing at all. Every row must show the page's own texts, every
// file must land inside the save folder under a safe name, and every link the
// engine cannot use must end as a failed row with its reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/encoding.h"
#include "tests/app/program_fixture.h"
#include "text/text_search.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/result_list_model.h"
#include "ui/toolkit.h"

namespace sfx {
namespace {

using test::listingItem;
using test::readFile;
namespace fs = std::filesystem;

// Upper bound of the whole run (about 80 small files, under a sanitizer
// too): a fault shows as a failure, not a hung test.
constexpr int kRunLimitMs = 60000;
// The dispatch poll of the batch: short, so that many small files go quickly.
constexpr const char* kCheckPeriodMs = "5";
// In the table, "{site}" stands for "//127.0.0.1:port" and "{n}" for the
// number of the copy.
constexpr std::string_view kSite = "{site}";
constexpr std::string_view kCopy = "{n}";

std::string repeated(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

struct Case {
  std::string name;
  std::string title;      // UTF-8, as on the page
  std::string pageUrl;    // the audio link as on the page
  std::string shownUrl;   // column 2 of its rows
  std::string served;     // the path the server must be asked for; empty when the link is refused
  std::string fileName;   // UTF-8, in the save folder; empty when the link is refused
  int copies = 1;         // rows of this title; copy n > 0 is saved as stem(n).ext
};

// Rows appear, and are downloaded, in this order.
std::vector<Case> hostileCases() {
  return {
      {"title ../", "../", "{site}/media/up.mp3", "http:{site}/media/up.mp3", "/media/up.mp3", ".._.mp3"},
      {"title ../../etc/passwd", "../../etc/passwd", "{site}/media/passwd.mp3", "http:{site}/media/passwd.mp3",
       "/media/passwd.mp3", ".._.._etc_passwd.mp3"},
      {"title /", "/", "{site}/media/slash.mp3", "http:{site}/media/slash.mp3", "/media/slash.mp3", "_.mp3"},
      // The same safe name as the row before: numbered, not overwritten.
      {"title \\", "\\", "{site}/media/backslash.mp3", "http:{site}/media/backslash.mp3", "/media/backslash.mp3",
       "_(1).mp3"},
      {"title with TAB, 0x01 and DEL", "a\tb\x01" "c\x7F" "d", "{site}/media/control.mp3",
       "http:{site}/media/control.mp3", "/media/control.mp3", "a_b_c_d.mp3"},
      {"title with the characters Windows forbids", "a:b*c?d\"e<f>g|h", "{site}/media/windows.mp3",
       "http:{site}/media/windows.mp3", "/media/windows.mp3", "a_b_c_d_e_f_g_h.mp3"},
      {"markup in the title", "<b>粗</b>", "{site}/media/markup.mp3", "http:{site}/media/markup.mp3",
       "/media/markup.mp3", "_b_粗__b_.mp3"},
      // 300 bytes of GB18030, 450 of UTF-8: cut to 255 bytes with the extension, at a character.
      {"300-byte CJK title", repeated("声", 150), "{site}/media/long.mp3", "http:{site}/media/long.mp3",
       "/media/long.mp3", repeated("声", 83) + ".mp3"},
      {"title of four-byte characters", repeated("𠀀", 100), "{site}/media/long4.mp3", "http:{site}/media/long4.mp3",
       "/media/long4.mp3", repeated("𠀀", 62) + ".mp3"},
      {"empty title", "", "{site}/media/untitled.mp3", "http:{site}/media/untitled.mp3", "/media/untitled.mp3",
       ".mp3"},
      {"title . and a link ending in /", ".", "{site}/media/folder/", "http:{site}/media/folder/", "/media/folder/",
       "_"},
      {"title . and an extension .", ".", "{site}/media/dot.", "http:{site}/media/dot.", "/media/dot.", "__"},
      {"query holding the last /", "查询", "{site}/media/query.mp3?id=7&next=/b.wav",
       "http:{site}/media/query.mp3?id=7&next=/b.wav", "/media/query.mp3", "查询.mp3"},
      {"fragment holding the last /", "片段", "{site}/media/fragment.mp3#t=1/b.wav",
       "http:{site}/media/fragment.mp3#t=1/b.wav", "/media/fragment.mp3", "片段.mp3"},
      {"spaces in the link", "空格", "{site}/media/my sound.mp3", "http:{site}/media/my sound.mp3",
       "/media/my sound.mp3", "空格.mp3"},
      {"non-ASCII link and extension", "中文", "{site}/media/雷声.音频", "http:{site}/media/雷声.音频",
       "/media/雷声.音频", "中文.音频"},
      {"link that already has http:", "有协议", "http:{site}/media/scheme.mp3", "http:{site}/media/scheme.mp3",
       "/media/scheme.mp3", "有协议.mp3"},
      {"file: scheme", "本地", "file:///etc/passwd", "http:file:///etc/passwd", "", ""},
      {"javascript: scheme", "脚本", "javascript:alert(1)", "http:javascript:alert(1)", "", ""},
      {"empty link", "无链接", "", "http:", "", ""},
      {"scheme in capitals", "大写", "HTTP:{site}/media/caps.mp3", "http:HTTP:{site}/media/caps.mp3", "", ""},
      // 50 links, so that the file of each copy can be told apart.
      {"same title 50 times", "t", "{site}/media/same/{n}.mp3", "http:{site}/media/same/{n}.mp3",
       "/media/same/{n}.mp3", "t.mp3", 50},
  };
}

// Name of copy n of a file: "stem(n).ext", the extension from the last ".".
std::string copyName(const std::string& fileName, int n) {
  if (n == 0) return fileName;
  const std::size_t dot = fileName.rfind('.');
  const std::size_t stemEnd = dot == std::string::npos ? fileName.size() : dot;
  return fileName.substr(0, stemEnd) + "(" + std::to_string(n) + ")" + fileName.substr(stemEnd);
}

// What the server sends for a path: tells every file apart.
std::string soundBody(const std::string& path) { return "ID3 sound at " + path + "\n" + std::string(2000, 'a'); }

class HostilePagesTest : public test::ProgramFixture {
 protected:
  // Two levels below the root, so that a name climbing out of the save
  // folder with "../" or "../../" would still land where the walk looks.
  HostilePagesTest() : ProgramFixture("hostile") { saveFolder = root / "one" / "two" / "save"; }

  std::string expand(const std::string& text, int copy) const {
    return replaceText(replaceText(text, kSite, origin()), kCopy, std::to_string(copy));
  }
  std::string toolTip(int row) const {
    return fromQString(app->mainWindow().listModel().index(row, kColumnId).data(Qt::ToolTipRole).toString());
  }
};

TEST_F(HostilePagesTest, HarvestGivesThePagesTextsAndEveryFileLandsInsideTheSaveFolderUnderASafeName) {
  const std::vector<Case> cases = hostileCases();
  std::string page = "<html><body><ul>\n";
  for (const Case& c : cases) {
    for (int copy = 0; copy < c.copies; ++copy) {
      page += listingItem(c.title, expand(c.pageUrl, copy));
      if (!c.served.empty()) serveFile(expand(c.served, copy), soundBody(expand(c.served, copy)));
    }
  }
  servePage("/hostile_0_0_1.html", page + "</ul></body></html>\n");

  const std::string done = programText("列表文件下载完成！");
  const bool ended = runUntilMessage(
      [&] {
        type("编辑框_链接", server.url("/hostile_0_0_1.html"));
        type("编辑框_起始页码", "1");
        type("编辑框_终止页码", "1");
        click("按钮_解析");
        type("编辑框_保存路径", saveFolder.string() + "/");
        type("编辑框_检测周期", kCheckPeriodMs);
        click("按钮_下载");
      },
      done, kRunLimitMs);
  ASSERT_TRUE(ended) << "the batch did not end";

  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(dialogs.messages[0].text, programText("解析完成！"));
  EXPECT_EQ(dialogs.messages[1].text, done);

  Toolkit& ui = app->toolkit();
  std::set<std::string> expectedFiles;
  int row = 0;
  for (const Case& c : cases) {
    for (int copy = 0; copy < c.copies; ++copy, ++row) {
      SCOPED_TRACE(c.name + ", copy " + std::to_string(copy) + ", row " + std::to_string(row));
      EXPECT_EQ(ui.cellText(row, kColumnId), std::to_string(row + 1));
      EXPECT_EQ(ui.cellText(row, kColumnTitle), programText(c.title));
      EXPECT_EQ(ui.cellText(row, kColumnUrl), programText(expand(c.shownUrl, copy)));
      if (c.served.empty()) {
        EXPECT_EQ(ui.cellText(row, kColumnState), programText("失败"));
        EXPECT_EQ(ui.cellText(row, kColumnRate), "-");
        EXPECT_FALSE(toolTip(row).empty()) << "a failed row gives its reason";
        continue;
      }
      EXPECT_EQ(ui.cellText(row, kColumnProgress), "100%");
      EXPECT_EQ(ui.cellText(row, kColumnState), programText("完成"));
      EXPECT_EQ(toolTip(row), "");
      const std::string name = copyName(c.fileName, copy);
      expectedFiles.insert(name);
      EXPECT_EQ(readFile(saveFolder / name), soundBody(expand(c.served, copy))) << name;
    }
  }
  EXPECT_EQ(ui.rowCount(), row);

  // Nothing below the temporary root but the save folder, its parents and
  // the expected files in it: no file outside, no subfolder, no leftover
  // partial file.
  const std::set<fs::path> folders = {root / "one", root / "one" / "two", saveFolder};
  std::set<std::string> found;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (folders.contains(entry.path())) continue;
    EXPECT_TRUE(entry.is_regular_file() && entry.path().parent_path() == saveFolder) << entry.path();
    found.insert(entry.path().filename().string());
  }
  EXPECT_EQ(found, expectedFiles);
}

}  // namespace
}  // namespace sfx
