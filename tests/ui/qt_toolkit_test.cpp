#include "ui/qt_toolkit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

#include "platform/encoding.h"
#include "tests/ui/recording_dialogs.h"
#include "ui/main_window.h"
#include "ui/result_list_model.h"
#include "ui/status_bar.h"

namespace sfx {
namespace {

// Upper bound of every wait: a fault shows as a failure, not a hung test.
constexpr int kWaitMs = 5000;

class QtToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override { window.show(); }

  void appendRows(int count) {
    for (int i = 0; i < count; ++i) ui.setCell(ui.appendRow(), kColumnId, std::to_string(i + 1));
  }
  int selectedRow() const {
    const QModelIndexList rows = window.list()->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.front().row() : -1;
  }
  int currentRow() const { return window.list()->selectionModel()->currentIndex().row(); }

  MainWindow window;
  test::RecordingDialogs dialogs;
  QtToolkit ui{window, dialogs};
};

TEST_F(QtToolkitTest, EditTextsRoundTripWithoutTextChangedEvents) {
  QSignalSpy edited(&window, &MainWindow::saveFolderEdited);
  const std::string folder = programText("/home/用户/音效/");
  ui.setEditText(EditBox::SavePath, folder);
  EXPECT_EQ(ui.editText(EditBox::SavePath), folder);
  EXPECT_EQ(window.edit(EditBox::SavePath)->text(), QStringLiteral("/home/用户/音效/"));
  EXPECT_EQ(edited.count(), 0);
  EXPECT_EQ(ui.editText(EditBox::PageVariable), "0_0_1");
}

TEST_F(QtToolkitTest, SettingThePeriodItAlreadyHasDoesNotRestartTheTimer) {
  constexpr int kPeriodMs = 10000;  // far longer than the test, so it never fires meanwhile
  constexpr int kSlackMs = 50;
  QTimer* timer = window.timer(TimerId::Dispatch);
  timer->setTimerType(Qt::PreciseTimer);  // the check needs the remaining time to the millisecond
  ui.setTimerPeriod(TimerId::Dispatch, kPeriodMs);
  QElapsedTimer since;
  since.start();
  QTest::qWait(300);
  ui.setTimerPeriod(TimerId::Dispatch, kPeriodMs);
  EXPECT_TRUE(timer->isActive());
  // Restarted, it would have the whole period left again.
  EXPECT_LE(timer->remainingTime(), kPeriodMs - since.elapsed() + kSlackMs);

  ui.setTimerPeriod(TimerId::Dispatch, 500);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 500);
  EXPECT_LE(timer->remainingTime(), 500);  // the new period, not what was left of the old one
  timer->stop();
}

TEST_F(QtToolkitTest, PeriodsZeroOrBelowStopTheTimer) {
  struct Case {
    const char* name;
    int before;  // 0: stopped
    int period;
    bool active;
  };
  const Case cases[] = {
      {"start", 0, 200, true},          {"negative while running", 200, -1, false},
      {"zero while running", 1000, 0, false}, {"negative while stopped", 0, -5, false},
      {"change while running", 200, 1000, true},
  };
  for (TimerId id : {TimerId::Dispatch, TimerId::Progress}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      QTimer* timer = window.timer(id);
      timer->stop();
      if (c.before > 0) timer->start(c.before);
      ui.setTimerPeriod(id, c.period);
      EXPECT_EQ(timer->isActive(), c.active);
      if (c.active) {
        EXPECT_EQ(timer->interval(), c.period);
      }
    }
    window.timer(id)->stop();
  }
}

TEST_F(QtToolkitTest, CellsOfAbsentRowsAndColumnsAreIgnoredAndReadEmpty) {
  EXPECT_EQ(ui.appendRow(), 0);
  EXPECT_EQ(ui.appendRow(), 1);
  struct Case {
    const char* name;
    int row;
    int column;
  };
  const Case absent[] = {{"row -1", -1, 0}, {"row past the end", 2, 0}, {"column -1", 0, -1}, {"column 6", 0, 6}};
  for (const Case& c : absent) {
    SCOPED_TRACE(c.name);
    ui.setCell(c.row, c.column, "x");
    EXPECT_EQ(ui.cellText(c.row, c.column), "");
    ui.setRowToolTip(c.row, "x");
  }
  EXPECT_EQ(ui.rowCount(), 2);
  for (int row = 0; row < 2; ++row)
    for (int column = 0; column < kListColumnCount; ++column) EXPECT_EQ(ui.cellText(row, column), "");

  const std::string title = programText("雨声");
  ui.setCell(1, kColumnTitle, title);
  EXPECT_EQ(ui.cellText(1, kColumnTitle), title);
  EXPECT_EQ(window.listModel().index(1, kColumnTitle).data().toString(), QStringLiteral("雨声"));
}

TEST_F(QtToolkitTest, KeysOutliveAppendsButNotDeletion) {
  appendRows(3);
  const RowKey second = ui.rowKey(1);
  EXPECT_NE(second, kNoRow);
  EXPECT_EQ(ui.rowKey(3), kNoRow);
  appendRows(2);
  EXPECT_EQ(ui.rowOfKey(second), 1);
  ui.deleteAllRows();
  EXPECT_EQ(ui.rowCount(), 0);
  EXPECT_EQ(ui.rowOfKey(second), -1);
  appendRows(3);
  EXPECT_EQ(ui.rowOfKey(second), -1);  // the new row 1 is another row
  EXPECT_GT(ui.rowKey(1), second);
}

TEST_F(QtToolkitTest, SelectingARowDoesNotScrollTheList) {
  appendRows(300);
  QScrollBar* bar = window.list()->verticalScrollBar();
  bar->setValue(0);
  ui.selectRow(250);
  EXPECT_EQ(selectedRow(), 250);
  EXPECT_EQ(currentRow(), 250);
  EXPECT_EQ(bar->value(), 0);

  ui.setCurrentRowProperty(200);
  EXPECT_EQ(selectedRow(), 200);  // single selection: the earlier row is dropped
  EXPECT_EQ(bar->value(), 0);

  ui.selectRow(-1);
  EXPECT_EQ(selectedRow(), 200);
  ui.selectRow(300);  // no such row
  EXPECT_EQ(selectedRow(), 200);

  ui.setCurrentRowProperty(-7);
  EXPECT_EQ(selectedRow(), -1);
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(QtToolkitTest, ScrollingBringsTheWholeRowIntoView) {
  appendRows(300);
  QTableView* list = window.list();
  list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
  const int across = list->horizontalScrollBar()->value();
  ui.scrollRowIntoView(250);
  const QRect row = list->visualRect(window.listModel().index(250, 0));
  EXPECT_GE(row.top(), 0);
  EXPECT_LE(row.bottom(), list->viewport()->height());
  EXPECT_EQ(list->horizontalScrollBar()->value(), across);
  // The least amount: the row is at the bottom, not the top.
  EXPECT_GT(row.top(), list->viewport()->height() / 2);
}

TEST_F(QtToolkitTest, StatusPartsOutsideZeroToTwoAreIgnored) {
  ui.setStatusText(0, programText("2024年3月5日 星期二"));
  ui.setStatusText(2, "x");
  ui.setStatusText(3, "y");
  ui.setStatusText(-1, "z");
  EXPECT_EQ(window.statusBar()->partText(0), QStringLiteral("2024年3月5日 星期二"));
  EXPECT_EQ(window.statusBar()->partText(1), "");
  EXPECT_EQ(window.statusBar()->partText(2), "x");
}

TEST_F(QtToolkitTest, MessageBoxesGoToThePresenterWithTheDefaultTitle) {
  struct Case {
    const char* name;
    const char* text;
    int flags;
    std::optional<const char*> title;
    const char* shownTitle;
  };
  const Case cases[] = {
      {"error without title", "正则创建失败，请检查正则表达式语句是否有误！", kIconError, std::nullopt, "信息："},
      {"information", "解析完成！", kIconInformation, "提醒", "提醒"},
      {"warning", "当前没有选择可下载文件！", kIconWarning, "提醒", "提醒"},
      {"no icon", "列表文件下载完成！", kIconNone, "提醒", "提醒"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.messages.clear();
    const std::string title = c.title ? programText(*c.title) : std::string();
    ui.messageBox(programText(c.text), c.flags, c.title ? std::optional<std::string_view>(title) : std::nullopt);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, programText(c.text));
    EXPECT_EQ(dialogs.messages[0].flags, c.flags);
    EXPECT_EQ(dialogs.messages[0].title, programText(c.shownTitle));
  }
}

TEST_F(QtToolkitTest, ProcessingPendingEventsReturnsWhenNothingWaits) {
  ui.processPendingEvents();  // nothing waits: must not block

  // A task that posts itself again keeps the queue busy for ever; each call
  // runs what waited when it began and returns.
  int runs = 0;
  std::function<void()> again = [&] {
    ++runs;
    ui.postToUiThread(again);
  };
  ui.postToUiThread(again);
  ui.processPendingEvents();
  EXPECT_GE(runs, 1);
  const int afterFirst = runs;
  ui.processPendingEvents();
  EXPECT_GT(runs, afterFirst);
  EXPECT_LT(runs, 100);
  again = [] {};
  ui.processPendingEvents();
}

TEST_F(QtToolkitTest, TasksPostedFromAnotherThreadRunInOrderOnTheUiThread) {
  constexpr int kTasks = 200;
  std::vector<int> order;
  std::vector<std::thread::id> threads;
  std::thread poster([&] {
    for (int i = 0; i < kTasks; ++i)
      ui.postToUiThread([&, i] {
        order.push_back(i);
        threads.push_back(std::this_thread::get_id());
      });
  });
  poster.join();
  EXPECT_TRUE(QTest::qWaitFor([&] { return static_cast<int>(order.size()) == kTasks; }, kWaitMs));
  for (int i = 0; i < static_cast<int>(order.size()); ++i) {
    EXPECT_EQ(order[i], i);
    EXPECT_EQ(threads[i], std::this_thread::get_id());
  }
}

TEST_F(QtToolkitTest, TasksStillQueuedWhenTheToolkitGoesNeverRun) {
  bool ran = false;
  {
    QtToolkit shortLived(window, dialogs);
    std::thread([&] { shortLived.postToUiThread([&] { ran = true; }); }).join();
  }
  QCoreApplication::processEvents();
  QTest::qWait(20);
  EXPECT_FALSE(ran);
}

TEST_F(QtToolkitTest, MainWindowIsReportedClosedOnceTheUserClosedIt) {
  EXPECT_TRUE(ui.mainWindowOpen());
  window.close();
  EXPECT_FALSE(ui.mainWindowOpen());
  // The operations stay harmless for a handler that is still running.
  ui.setCell(ui.appendRow(), kColumnId, "1");
  ui.setStatusText(1, "x");
  EXPECT_EQ(ui.cellText(0, kColumnId), "1");
}

}  // namespace
}  // namespace sfx
