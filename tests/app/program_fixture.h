// The whole program on the offscreen platform for the app tests: the real
// windows, page fetch and engine, against a site served from 127.0.0.1 and a
// save folder inside a temporary root of the test's own, driven by clicks.
#pragma once

#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "app/application.h"
#include "app/core_handlers.h"
#include "platform/curl_download.h"
#include "platform/page_fetch.h"
#include "queue/download_queue.h"
#include "tests/support/loopback_server.h"
#include "tests/ui/recording_dialogs.h"
#include "ui/main_window.h"

namespace sfx::test {

namespace fs = std::filesystem;

// One sound effect of a listing page in the site's markup: the title link,
// then a few lines later the audio source.
inline std::string listingItem(const std::string& title, const std::string& audioUrl) {
  return "<li><a  class='title' target=\"_blank\" href=\"/sound/1.html\">" + title +
         "</a>\n<div class=\"player\">\n<audio controls><source src=\"" + audioUrl +
         "\" type=\"audio/mpeg\"></audio>\n</div></li>\n";
}

inline std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ProgramFixture : public ::testing::Test {
 protected:
  // `name` keeps the temporary roots of different test files apart.
  explicit ProgramFixture(const std::string& name)
      : root(fs::temp_directory_path() / ("sfx-" + name + "-" + std::to_string(::getpid()))),
        saveFolder(root / "save") {
    fs::remove_all(root);
    fs::create_directories(root);
    // One handler for every path, registered before the server runs; the
    // resources are looked up under a lock, so tests may add them at any time.
    server.http().Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
      std::lock_guard lock(resourcesMutex_);
      const auto found = resources_.find(request.path);
      if (found == resources_.end()) {
        response.status = 404;
        return;
      }
      response.set_content(found->second.body, found->second.contentType);
    });
    server.start();

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

  ~ProgramFixture() override {
    // A transfer still running after a failed test ends before its folder goes.
    if (handlers) handlers->shutdown();
    releaseDownloadQueue(state);
    app.reset();
    handlers.reset();
    server.stop();
    fs::remove_all(root);
  }

  // `path` as the server sees it, percent-encoding decoded, without the query.
  void servePage(const std::string& path, const std::string& utf8Body) {
    serve(path, utf8Body, "text/html; charset=utf-8");
  }
  void serveFile(const std::string& path, const std::string& body) { serve(path, body, "audio/mpeg"); }

  // "//127.0.0.1:port": the start of a protocol-relative link to the site.
  [[nodiscard]] std::string origin() const { return "//127.0.0.1:" + std::to_string(server.port()); }

  void type(const char* box, const std::string& utf8Text) {
    // As the user types: the save-folder box takes its text-changed handler too.
    QLineEdit* edit = app->mainWindow().findChild<QLineEdit*>(QString::fromUtf8(box));
    ASSERT_NE(edit, nullptr) << box;
    edit->clear();
    edit->insert(QString::fromStdString(utf8Text));
  }
  void click(const char* name) {
    QPushButton* button = app->mainWindow().findChild<QPushButton*>(QString::fromUtf8(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
  }

  // Runs the program's event loop with `actions` as its first event; the
  // loop ends when a message box with `lastMessage` (a program text) is shown
  // or after `limitMs`. False when the limit ended it.
  [[nodiscard]] bool runUntilMessage(const std::function<void()>& actions, const std::string& lastMessage,
                                     int limitMs) {
    bool timedOut = false;
    dialogs.whileMessageShown = [&] {
      if (dialogs.messages.back().text == lastMessage) app->mainWindow().close();
    };
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
      timedOut = true;
      app->mainWindow().close();
    });
    watchdog.start(limitMs);
    QTimer::singleShot(0, actions);
    EXPECT_EQ(app->run(), 0);
    dialogs.whileMessageShown = nullptr;
    return !timedOut;
  }

  fs::path root;        // everything the test writes lies below it
  fs::path saveFolder;  // root / "save"

 private:
  struct Resource {
    std::string body;
    std::string contentType;
  };
  // Declared before the server, so they outlive its threads.
  std::mutex resourcesMutex_;
  std::map<std::string, Resource> resources_;

 protected:
  LoopbackServer server;
  RecordingDialogs dialogs;
  AppState state;
  std::unique_ptr<Application> app;
  std::unique_ptr<CoreHandlers> handlers;

 private:
  void serve(const std::string& path, const std::string& body, const char* contentType) {
    std::lock_guard lock(resourcesMutex_);
    resources_[path] = Resource{body, contentType};
  }
};

}  // namespace sfx::test
