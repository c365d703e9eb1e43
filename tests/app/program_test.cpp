// The whole program on the offscreen platform: the real windows, page fetch
// and engine against a site served from 127.0.0.1, driven by clicks.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "app/application.h"
#include "app/core_handlers.h"
#include "platform/curl_download.h"
#include "platform/encoding.h"
#include "platform/page_fetch.h"
#include "queue/download_queue.h"
#include "tests/support/loopback_server.h"
#include "tests/ui/recording_dialogs.h"
#include "ui/main_window.h"
#include "ui/toolkit.h"

namespace sfx {
namespace {

namespace fs = std::filesystem;

// Upper bound of the whole run: a fault shows as a failure, not a hung test.
constexpr int kRunLimitMs = 20000;

std::string listingItem(const std::string& title, const std::string& audioUrl) {
  return "<li><a  class='title' target=\"_blank\" href=\"/sound/1.html\">" + title +
         "</a>\n<div class=\"player\">\n<audio controls><source src=\"" + audioUrl +
         "\" type=\"audio/mpeg\"></audio>\n</div></li>\n";
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() : saveFolder(fs::temp_directory_path() / ("sfx-program-" + std::to_string(::getpid()))) {
    fs::remove_all(saveFolder);
    files = {{"/media/rain.mp3", std::string(300000, 'r')},
             {"/media/thunder.mp3", std::string(1000, 't')},
             {"/media/wind.mp3", std::string(70000, 'w')}};
    for (const auto& [path, body] : files) {
      server.http().Get(path, [body = body](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, "audio/mpeg");
      });
    }
    server.start();
    const std::string origin = "//127.0.0.1:" + std::to_string(server.port());
    // Page 1 names page 2 as the last page in its pager; its audio URLs have no scheme.
    pages["/list_0_0_1.html"] = "<html><body><ul>\n" + listingItem("雨声", origin + "/media/rain.mp3") +
                                listingItem("雷声", origin + "/media/thunder.mp3") +
                                "</ul>\n<div class=\"pager\"><a href=\"/list_0_0_1.html\">1</a><span class=\"ell\">...</span>"
                                "<a href=\"/list_0_0_2.html\">2</a><a href=\"/list_0_0_2.html\">下一页</a></div>\n</body></html>\n";
    pages["/list_0_0_2.html"] =
        "<html><body><ul>\n" + listingItem("风/声", "http:" + origin + "/media/wind.mp3") + "</ul></body></html>\n";
    for (const auto& [path, body] : pages) {
      server.http().Get(path, [body = body](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, "text/html; charset=utf-8");
      });
    }

    ApplicationParts parts;
    parts.dialogs = &dialogs;
    parts.startQueue = [](AppState& s) { initDownloadQueue(s, std::make_unique<CurlDownload>()); };
    parts.releaseQueue = [this](AppState& s) {
      if (handlers) handlers->shutdown();
      releaseDownloadQueue(s);
    };
    app = std::make_unique<Application>(state, std::move(parts));
    app->start();
    handlers = std::make_unique<CoreHandlers>(*app, [](std::string_view url) { return fetchPageText(url); });
  }

  ~ProgramTest() override {
    app.reset();
    handlers.reset();
    fs::remove_all(saveFolder);
  }

  void type(const char* box, const std::string& text) {
    // As the user types: the save-folder box takes its text-changed handler too.
    QLineEdit* edit = app->mainWindow().findChild<QLineEdit*>(QString::fromUtf8(box));
    ASSERT_NE(edit, nullptr) << box;
    edit->clear();
    edit->insert(QString::fromStdString(text));
  }
  void click(const char* name) { app->mainWindow().findChild<QPushButton*>(QString::fromUtf8(name))->click(); }

  fs::path saveFolder;
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> pages;
  test::LoopbackServer server;
  test::RecordingDialogs dialogs;
  AppState state;
  std::unique_ptr<Application> app;
  std::unique_ptr<CoreHandlers> handlers;
};

TEST_F(ProgramTest, HarvestsTheListingAndDownloadsEveryFileIntoTheSaveFolder) {
  const std::string done = programText("列表文件下载完成！");
  bool timedOut = false;
  dialogs.whileMessageShown = [&] {
    if (dialogs.messages.back().text == done) app->mainWindow().close();
  };
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    timedOut = true;
    app->mainWindow().close();
  });
  watchdog.start(kRunLimitMs);

  QTimer::singleShot(0, [&] {
    type("编辑框_链接", server.url("/list_0_0_1.html"));
    click("按钮_解析页码");
    click("按钮_解析");
    type("编辑框_保存路径", saveFolder.string());  // no trailing "/": the files still go inside
    type("编辑框_检测周期", "20");
    click("按钮_下载");
  });
  EXPECT_EQ(app->run(), 0);
  ASSERT_FALSE(timedOut) << "the batch did not end";

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
