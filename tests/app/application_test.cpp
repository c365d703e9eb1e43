#include "app/application.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "queue/download_queue.h"
#include "tests/ui/recording_dialogs.h"
#include "ui/main_window.h"
#include "ui/manual_add_window.h"
#include "ui/qt_text.h"
#include "ui/result_list_model.h"
#include "ui/status_bar.h"
#include "ui/toolkit.h"

namespace sfx {
namespace {

// Upper bound of a run of the event loop: a fault shows as a failure, not a hung test.
constexpr int kLoopLimitMs = 10000;

// An engine object that holds no task and tells when it is destroyed.
class WatchedDownload final : public Download {
 public:
  explicit WatchedDownload(bool& destroyed) : destroyed_(destroyed) {}
  ~WatchedDownload() override { destroyed_ = true; }
  AddTaskResult addTask(const TaskParam&) override { return AddTaskResult::Busy; }
  std::int64_t takeSpeed() override { return 0; }
  std::int64_t doneLength() override { return 0; }
  std::string localFilePath() override { return {}; }

 private:
  bool& destroyed_;
};

class ApplicationTest : public ::testing::Test {
 protected:
  ApplicationTest() {
    ApplicationParts parts;
    parts.clock = [] { return LocalDateTime{2024, 3, 5, 3, 9, 5}; };
    parts.dialogs = &dialogs;
    parts.startQueue = [this](AppState& s) {
      steps.push_back(QApplication::topLevelWidgets().isEmpty() ? "queue started, no window yet" : "queue started late");
      initDownloadQueue(s, std::make_unique<WatchedDownload>(downloaderDestroyed));
    };
    parts.releaseQueue = [this](AppState& s) {
      // The exit routine's order: the first texts are already released, the last ones not yet.
      steps.push_back(s.savePath.empty() && s.currentUrl.empty() && !s.stateText.empty() ? "queue released in order"
                                                                                          : "queue released out of order");
      releaseDownloadQueue(s);
    };
    app = std::make_unique<Application>(state, std::move(parts));
  }

  MainWindow& window() { return app->mainWindow(); }
  QPushButton* button(QWidget& parent, const char* name) {
    return parent.findChild<QPushButton*>(QString::fromUtf8(name));
  }
  QLineEdit* edit(QWidget& parent, const char* name) { return parent.findChild<QLineEdit*>(QString::fromUtf8(name)); }

  // Runs the loop with `script` started in it; gives up after kLoopLimitMs.
  void runWith(const std::function<void()>& script) {
    QTimer::singleShot(0, script);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [this] {
      timedOut = true;
      for (QWidget* w : QApplication::topLevelWidgets()) w->close();
    });
    watchdog.start(kLoopLimitMs);
    exitCode = app->run();
  }

  test::RecordingDialogs dialogs;
  AppState state;
  bool downloaderDestroyed = false;
  std::vector<std::string> steps;
  std::unique_ptr<Application> app;
  bool timedOut = false;
  int exitCode = -1;
};

TEST_F(ApplicationTest, StartsWithTheDefaultsTheDateAndAnEmptyList) {
  app->start();
  EXPECT_EQ(steps, std::vector<std::string>{"queue started, no window yet"});
  ASSERT_NE(state.taskParam, nullptr);
  ASSERT_NE(state.downloader, nullptr);
  EXPECT_TRUE(window().isVisible());
  EXPECT_EQ(state.savePath, fromQString(defaultSaveFolder()));
  EXPECT_EQ(state.savePath, app->toolkit().editText(EditBox::SavePath));
  EXPECT_EQ(window().statusBar()->partText(0), QStringLiteral("2024年3月5日 星期二"));
  EXPECT_EQ(window().statusBar()->partText(1), "");
  EXPECT_EQ(window().statusBar()->partText(2), "");
  EXPECT_EQ(app->toolkit().rowCount(), 0);
  EXPECT_EQ(app->manualAddWindow(), nullptr);
}

TEST_F(ApplicationTest, ExitRoutineRunsOnceAfterBothWindowsHaveClosed) {
  bool loopAliveWithManualAddOpen = false;
  runWith([&] {
    state.currentUrl = "http://127.0.0.1/a.mp3";
    state.stateText = programText("下载");
    button(window(), "按钮1")->click();
    window().close();
    QTimer::singleShot(50, [&] {
      // MainWindow is closed, ManualAddWindow is not: the program goes on.
      loopAliveWithManualAddOpen = steps.size() == 1 && !downloaderDestroyed;
      app->manualAddWindow()->close();
    });
  });
  EXPECT_FALSE(timedOut);
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(loopAliveWithManualAddOpen);
  EXPECT_EQ(steps, (std::vector<std::string>{"queue started, no window yet", "queue released in order"}));
  EXPECT_TRUE(downloaderDestroyed);
  EXPECT_EQ(state.taskParam, nullptr);
  EXPECT_TRUE(state.savePath.empty());
  EXPECT_TRUE(state.currentUrl.empty());
  EXPECT_TRUE(state.stateText.empty());
}

TEST_F(ApplicationTest, ClosingMainWindowAloneEndsTheRun) {
  runWith([&] { window().close(); });
  EXPECT_FALSE(timedOut);
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(steps.size(), 2u);
  EXPECT_TRUE(downloaderDestroyed);
}

TEST_F(ApplicationTest, RunAfterBothWindowsClosedStillEndsWithTheExitRoutine) {
  app->start();
  button(window(), "按钮1")->click();
  app->manualAddWindow()->close();
  window().close();
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [this] {
    timedOut = true;
    QCoreApplication::quit();
  });
  watchdog.start(kLoopLimitMs);
  EXPECT_EQ(app->run(), 0);
  EXPECT_FALSE(timedOut);
  EXPECT_TRUE(downloaderDestroyed);
}

TEST_F(ApplicationTest, ManualAddOpensOneWindowAndBringsItForward) {
  app->start();
  button(window(), "按钮1")->click();
  ManualAddWindow* first = app->manualAddWindow();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->parent(), nullptr);  // a window of its own, without an owner
  edit(*first, "编辑框1")->setText("typed");

  first->showMinimized();
  button(window(), "按钮1")->click();
  EXPECT_EQ(app->manualAddWindow(), first);
  EXPECT_FALSE(first->isMinimized());
  EXPECT_EQ(edit(*first, "编辑框1")->text(), "typed");
  int manualAddWindows = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) manualAddWindows += qobject_cast<ManualAddWindow*>(w) ? 1 : 0;
  EXPECT_EQ(manualAddWindows, 1);

  // Closed, it is destroyed; opened again, it is new and empty.
  QPointer<ManualAddWindow> closed = first;
  first->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(closed.isNull());
  EXPECT_EQ(app->manualAddWindow(), nullptr);
  button(window(), "按钮1")->click();
  ASSERT_NE(app->manualAddWindow(), nullptr);
  EXPECT_EQ(edit(*app->manualAddWindow(), "编辑框1")->text(), "");
}

TEST_F(ApplicationTest, AddButtonAppendsTheTypedRowAndEmptiesTheBoxes) {
  app->start();
  Toolkit& ui = app->toolkit();
  ui.setCell(ui.appendRow(), kColumnId, "1");
  ui.setCell(ui.appendRow(), kColumnId, "2");
  button(window(), "按钮1")->click();
  ManualAddWindow& add = *app->manualAddWindow();
  QTest::keyClicks(edit(add, "编辑框1"), "rain");
  edit(add, "编辑框1")->insert(QStringLiteral(" 雨声"));
  QTest::keyClicks(edit(add, "编辑框2"), "//127.0.0.1/rain.mp3");
  button(add, "按钮1")->click();

  ASSERT_EQ(ui.rowCount(), 3);
  EXPECT_EQ(ui.cellText(2, kColumnId), "3");
  EXPECT_EQ(ui.cellText(2, kColumnTitle), programText("rain 雨声"));
  EXPECT_EQ(ui.cellText(2, kColumnUrl), "//127.0.0.1/rain.mp3");
  EXPECT_EQ(state.currentRow, 2);
  EXPECT_EQ(add.titleText(), "");
  EXPECT_EQ(add.urlText(), "");
  EXPECT_TRUE(add.isVisible());  // stays open for the next entry
}

TEST_F(ApplicationTest, AddAfterMainWindowClosedKeepsTheTypedTexts) {
  app->start();
  button(window(), "按钮1")->click();
  ManualAddWindow& add = *app->manualAddWindow();
  window().close();
  edit(add, "编辑框1")->setText("t");
  edit(add, "编辑框2")->setText("u");
  state.currentRow = 7;
  button(add, "按钮1")->click();
  EXPECT_EQ(app->toolkit().rowCount(), 0);
  EXPECT_EQ(state.currentRow, 7);
  EXPECT_EQ(add.titleText(), "t");
  EXPECT_EQ(add.urlText(), "u");
}

TEST_F(ApplicationTest, SaveFolderFollowsTheUsersTypingAndTheBrowser) {
  app->start();
  QLineEdit* box = window().edit(EditBox::SavePath);
  box->setFocus();
  box->end(false);
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(state.savePath, fromQString(box->text()));
  QTest::keyClicks(box, "x");
  EXPECT_EQ(fromQString(box->text()), state.savePath);
  EXPECT_EQ(state.savePath.back(), 'x');  // no slash added to a typed folder

  // A write by the program is not an edit.
  app->toolkit().setEditText(EditBox::SavePath, "/elsewhere/");
  EXPECT_EQ(state.savePath.back(), 'x');

  dialogs.folderAnswers = {programText("/srv/音效"), ""};
  button(window(), "按钮_浏览")->click();
  EXPECT_EQ(box->text(), QStringLiteral("/srv/音效/"));
  EXPECT_EQ(state.savePath, programText("/srv/音效/"));
  button(window(), "按钮_浏览")->click();
  EXPECT_EQ(box->text(), defaultSaveFolder());
  EXPECT_EQ(state.savePath, fromQString(defaultSaveFolder()));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ApplicationTest, ClearButtonEmptiesTheList) {
  app->start();
  Toolkit& ui = app->toolkit();
  for (int i = 0; i < 3; ++i) ui.appendRow();
  state.totalCount = 3;
  button(window(), "按钮_清空")->click();
  EXPECT_EQ(ui.rowCount(), 0);
  EXPECT_EQ(state.totalCount, 3);
}

}  // namespace
}  // namespace sfx
