// The queue controller against a scripted engine: what each click, tick and
// report does, in the orders the real engine can produce.
#include "queue/queue_controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "tests/queue/fake_download.h"
#include "tests/queue/queue_fixture.h"

namespace sfx {
namespace {

using test::Cells;
using test::FakeDownload;
using test::P;

class QueueControllerTest : public test::QueueFixture {
 protected:
  void SetUp() override {
    QueueFixture::SetUp();
    auto fake = std::make_unique<FakeDownload>();
    engine = fake.get();
    start(std::move(fake));
  }

  // The engine has begun the last task: a target of `length` bytes is on disk.
  void begin(std::int64_t length) {
    engine->path = state.taskParam->localFile;
    if (length >= 0) std::ofstream(engine->path, std::ios::binary) << std::string(length, '\0');
    engine->sendState(kCodeBegun, length);
    ui.pump();
  }

  void end(TransferOutcome outcome) {
    engine->sendState(kCodeEnded, 0, static_cast<std::int64_t>(outcome));
    ui.pump();
  }

  void fail(std::string_view reason) {
    engine->sendMessage(reason, kMessageError);
    end(TransferOutcome::Failed);
  }

  FakeDownload* engine = nullptr;
};

TEST_F(QueueControllerTest, ClickWithoutRowsWarnsAndLeavesTheTimers) {
  controller->onDownloadClick();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, P("当前没有选择可下载文件！"));
  EXPECT_EQ(ui.messages[0].flags, kIconWarning);
  EXPECT_EQ(ui.messages[0].title, P("提醒"));
  EXPECT_TRUE(ui.timerPeriods.empty());
}

TEST_F(QueueControllerTest, FolderThatCannotBeCreatedStartsNothing) {
  addRow("t", "http://h/a.mp3");
  std::ofstream(folder + "/file") << "x";
  state.savePath = folder + "/file/" + P("音效") + "/";

  controller->onDownloadClick();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, P("无法创建保存目录：") + state.savePath);
  EXPECT_EQ(ui.messages[0].flags, kIconError);
  EXPECT_EQ(ui.messages[0].title, std::nullopt);
  EXPECT_TRUE(ui.timerPeriods.empty());
  controller->onDispatchTick();
  EXPECT_TRUE(engine->tasks.empty());
}

TEST_F(QueueControllerTest, MissingFolderIsCreatedWithItsParents) {
  addRow("t", "http://h/a.mp3");
  state.savePath = folder + "/" + P("新的") + "/sounds";
  controller->onDownloadClick();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(std::filesystem::is_directory(folder + "/新的/sounds"));
  EXPECT_EQ(period(TimerId::Dispatch), 200);
}

TEST_F(QueueControllerTest, CheckPeriodSetsTheDispatchTimer) {
  struct Case {
    const char* name;
    std::string text;
    int expected;
  };
  const Case cases[] = {
      {"default", "200", 200}, {"leading blank and unit", " 300ms", 300}, {"full-width digits", P("１２"), 12},
      {"zero", "0", 0},        {"negative", "-5", 0},                      {"empty", "", 0},
      {"not a number", "abc", 0},
  };
  addRow("t", "http://h/a.mp3");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui.edits[EditBox::CheckPeriod] = c.text;
    controller->onDownloadClick();
    EXPECT_EQ(period(TimerId::Dispatch), c.expected);
  }
}

TEST_F(QueueControllerTest, TickHandsTheRowToTheEngine) {
  addRow(P("雨声"), "http://h/dir/rain.wav?x=1");
  controller->onDownloadClick();
  controller->onDispatchTick();

  ASSERT_EQ(engine->tasks.size(), 1u);
  const TaskParam& task = engine->tasks[0];
  EXPECT_EQ(task.url, "http://h/dir/rain.wav?x=1");
  EXPECT_EQ(task.localFile, folder + "/" + P("雨声") + ".wav");
  EXPECT_EQ(task.taskFlags, kTaskFlagDownload);
  EXPECT_EQ(task.connectionCount, 1);
  EXPECT_EQ(task.connectTimeout, 20000);
  EXPECT_EQ(task.sendTimeout, 20000);
  EXPECT_EQ(task.receiveTimeout, 20000);
  EXPECT_EQ(task.speedLimit, 0);
  EXPECT_TRUE(task.stateRoutine);
  EXPECT_TRUE(task.messageRoutine);
  EXPECT_EQ(state.currentRow, 0);
  EXPECT_EQ(state.currentTitle, P("雨声"));
  EXPECT_EQ(state.currentFileName, "rain.wav");
  EXPECT_EQ(state.currentExtension, ".wav");
  EXPECT_EQ(ui.selectedRow, 0);
  EXPECT_EQ(ui.scrolledRow, 0);
}

TEST_F(QueueControllerTest, ProgressTickShowsRateAndPercentage) {
  struct Case {
    const char* name;
    std::int64_t length;  // announced by the server, -1 for none
    std::string progress;
  };
  const Case cases[] = {{"length announced", 1000, "50.00%"}, {"length unknown", -1, "-"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui.deleteAllRows();
    const int row = addRow("t", "http://h/a.mp3");
    controller->onDownloadClick();
    controller->onDispatchTick();

    controller->onProgressTick();  // before the start: nothing to show
    EXPECT_EQ(cells(row), (Cells{"", "", ""}));

    begin(c.length);
    EXPECT_EQ(period(TimerId::Progress), 1000);
    EXPECT_FALSE(state.readyForNext);
    engine->speed = 1536;
    engine->done = 500;
    ui.selectedRow = -1;
    controller->onProgressTick();
    EXPECT_EQ(cells(row), (Cells{c.progress, "1.5KB/S ", P("下载")}));
    EXPECT_EQ(ui.selectedRow, row);

    controller->onProgressTick();  // takeSpeed restarts at every call
    EXPECT_EQ(cells(row)[1], "0B/S");
    end(TransferOutcome::Completed);
  }
}

// value2 of the end report decides the row's texts; the batch goes on in every case.
TEST_F(QueueControllerTest, EndOfTransferByOutcome) {
  struct Case {
    const char* name;
    std::int64_t outcome;
    std::string reason;  // sent as an error message before the end, if any
    Cells cells;
    std::string toolTip;
  };
  const Case cases[] = {
      {"completed", 0, "", {"100%", "-", P("完成")}, ""},
      {"failed", 1, P("服务器返回 404"), {"50.00%", "-", P("失败")}, P("服务器返回 404")},
      {"failed without a reason", 1, "", {"50.00%", "-", P("失败")}, P("失败")},
      {"stopped", 2, "", {"50.00%", "1.5KB/S ", P("下载")}, ""},
      {"unknown outcome counts as failed", 9, "", {"50.00%", "-", P("失败")}, P("失败")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui.deleteAllRows();
    addRow("t", "http://h/a.mp3");
    addRow("u", "http://h/b.mp3");
    controller->onDownloadClick();
    controller->onDispatchTick();
    begin(1000);
    engine->speed = 1536;
    engine->done = 500;
    controller->onProgressTick();
    if (!c.reason.empty()) engine->sendMessage(c.reason, kMessageError);
    engine->sendMessage(P("连接成功"), kMessageInfo);
    engine->sendState(kCodeEnded, 500, c.outcome);
    ui.pump();

    EXPECT_EQ(cells(0), c.cells);
    EXPECT_EQ(ui.rows[0].toolTip, c.toolTip);
    EXPECT_EQ(period(TimerId::Progress), 0);
    EXPECT_EQ(state.currentNumber, 2);
    EXPECT_TRUE(state.readyForNext);
    controller->onDispatchTick();
    EXPECT_EQ(engine->tasks.back().url, "http://h/b.mp3");
    end(TransferOutcome::Completed);
  }
}

TEST_F(QueueControllerTest, ThreeRowsThenTheEndMessage) {
  for (const char* name : {"a", "b", "c"}) addRow(name, std::string("http://h/") + name + ".mp3");
  controller->onDownloadClick();
  for (int row = 0; row < 3; ++row) {
    controller->onDispatchTick();
    begin(10);
    end(TransferOutcome::Completed);
    EXPECT_EQ(cells(row), (Cells{"100%", "-", P("完成")}));
  }
  EXPECT_TRUE(ui.messages.empty());
  controller->onDispatchTick();
  EXPECT_EQ(period(TimerId::Dispatch), 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, P("列表文件下载完成！"));
  EXPECT_EQ(ui.messages[0].flags, kIconNone);
  EXPECT_EQ(ui.messages[0].title, P("提醒"));
  ASSERT_EQ(engine->tasks.size(), 3u);
  EXPECT_EQ(engine->tasks[2].url, "http://h/c.mp3");
}

// A task that fails before it begins must not let the next tick fetch its row again.
TEST_F(QueueControllerTest, NothingStartsUntilTheAcceptedTaskHasEnded) {
  addRow("a", "http://h/a.mp3");
  addRow("b", "http://h/b.mp3");
  controller->onDownloadClick();
  for (int i = 0; i < 3; ++i) controller->onDispatchTick();
  EXPECT_EQ(engine->tasks.size(), 1u);

  fail(P("无法连接服务器"));
  EXPECT_EQ(cells(0), (Cells{"", "-", P("失败")}));
  EXPECT_EQ(ui.rows[0].toolTip, P("无法连接服务器"));
  controller->onDispatchTick();
  ASSERT_EQ(engine->tasks.size(), 2u);
  EXPECT_EQ(engine->tasks[1].url, "http://h/b.mp3");
}

TEST_F(QueueControllerTest, RowThatCompletesOnASecondTryLosesItsReason) {
  addRow("a", "http://h/a.mp3");
  controller->onDownloadClick();
  controller->onDispatchTick();
  fail(P("连接超时"));
  ASSERT_EQ(ui.rows[0].toolTip, P("连接超时"));

  controller->onDownloadClick();
  controller->onDispatchTick();
  begin(10);
  end(TransferOutcome::Completed);
  EXPECT_EQ(cells(0), (Cells{"100%", "-", P("完成")}));
  EXPECT_EQ(ui.rows[0].toolTip, "");
}

TEST_F(QueueControllerTest, RefusedRowFailsAtOnceAndTheBatchGoesOn) {
  addRow("a", "https:");
  addRow("b", "http://h/b.mp3");
  engine->scripted = {AddTaskResult::UnusableUrl};
  controller->onDownloadClick();
  controller->onDispatchTick();

  EXPECT_EQ(cells(0), (Cells{"", "-", P("失败")}));
  EXPECT_FALSE(ui.rows[0].toolTip.empty());
  EXPECT_EQ(state.currentNumber, 2);
  controller->onDispatchTick();
  ASSERT_EQ(engine->tasks.size(), 2u);
  EXPECT_EQ(engine->tasks[1].url, "http://h/b.mp3");
}

TEST_F(QueueControllerTest, BusyEngineIsAskedAgainAtTheNextTick) {
  addRow("a", "http://h/a.mp3");
  engine->scripted = {AddTaskResult::Busy};
  controller->onDownloadClick();
  controller->onDispatchTick();
  EXPECT_EQ(cells(0), (Cells{"", "", ""}));
  EXPECT_EQ(state.currentNumber, 1);

  controller->onDispatchTick();
  ASSERT_EQ(engine->tasks.size(), 2u);
  EXPECT_EQ(engine->tasks[1].url, "http://h/a.mp3");
  controller->onDispatchTick();
  EXPECT_EQ(engine->tasks.size(), 2u);  // accepted now: no third offer
}

TEST_F(QueueControllerTest, RowsAppendedDuringATransferGetNoneOfItsTexts) {
  addRow("a", "http://h/a.mp3");
  controller->onDownloadClick();
  controller->onDispatchTick();
  const int added = addRow("new", "http://h/new.mp3");  // moves currentRow
  begin(1000);
  engine->done = 250;
  controller->onProgressTick();
  EXPECT_EQ(cells(0), (Cells{"25.00%", "0B/S", P("下载")}));
  EXPECT_EQ(cells(added), (Cells{"", "", ""}));

  addRow("newer", "http://h/newer.mp3");
  end(TransferOutcome::Completed);
  EXPECT_EQ(cells(0), (Cells{"100%", "-", P("完成")}));
  EXPECT_EQ(cells(added), (Cells{"", "", ""}));
  EXPECT_EQ(cells(added + 1), (Cells{"", "", ""}));

  controller->onDispatchTick();  // the batch was one row long
  EXPECT_EQ(engine->tasks.size(), 1u);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, P("列表文件下载完成！"));
}

TEST_F(QueueControllerTest, ClearingTheListDuringATransfer) {
  addRow("a", "http://h/a.mp3");
  addRow("b", "http://h/b.mp3");
  controller->onDownloadClick();
  controller->onDispatchTick();
  begin(1000);
  ui.deleteAllRows();
  const int fresh = addRow("fresh", "http://h/fresh.mp3");  // a new harvest, row 0 again
  ui.selectedRow = fresh;

  controller->onProgressTick();
  EXPECT_EQ(cells(fresh), (Cells{"", "", ""}));
  EXPECT_EQ(ui.selectedRow, fresh);
  end(TransferOutcome::Completed);
  EXPECT_EQ(cells(fresh), (Cells{"", "", ""}));

  controller->onDispatchTick();  // row 2 is gone: refused, and the batch ends
  controller->onDispatchTick();
  EXPECT_EQ(engine->tasks.size(), 2u);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, P("列表文件下载完成！"));
  EXPECT_EQ(period(TimerId::Dispatch), 0);
}

// A second click while a transfer runs starts a new batch; its row 1 is fetched
// for real once the old transfer is over, whatever order the reports come in.
TEST_F(QueueControllerTest, SecondClickDuringATransfer) {
  addRow("a", "http://h/a.mp3");
  addRow("b", "http://h/b.mp3");
  controller->onDownloadClick();
  controller->onDispatchTick();
  controller->onDownloadClick();  // before the old transfer has even begun
  begin(1000);
  for (int i = 0; i < 3; ++i) controller->onDispatchTick();
  EXPECT_EQ(engine->tasks.size(), 1u);

  end(TransferOutcome::Completed);
  EXPECT_EQ(state.currentNumber, 1);
  controller->onDispatchTick();
  ASSERT_EQ(engine->tasks.size(), 2u);
  EXPECT_EQ(engine->tasks[1].url, "http://h/a.mp3");
  begin(1000);
  end(TransferOutcome::Completed);
  controller->onDispatchTick();
  ASSERT_EQ(engine->tasks.size(), 3u);
  EXPECT_EQ(engine->tasks[2].url, "http://h/b.mp3");
}

TEST_F(QueueControllerTest, ReportsOnTheirWayAtShutdownHaveNoEffect) {
  addRow("a", "http://h/a.mp3");
  controller->onDownloadClick();
  controller->onDispatchTick();
  engine->sendState(kCodeBegun, 1000);  // posted, not yet run
  controller->shutdown();
  EXPECT_EQ(ui.pump(), 1);
  EXPECT_EQ(period(TimerId::Progress), -1);
  EXPECT_TRUE(state.readyForNext);

  engine->sendMessage("late", kMessageError);
  engine->sendState(kCodeEnded, 0, static_cast<std::int64_t>(TransferOutcome::Stopped));
  EXPECT_EQ(ui.pump(), 0);  // nothing even reaches the toolkit
  EXPECT_EQ(cells(0), (Cells{"", "", ""}));
  EXPECT_EQ(state.currentNumber, 1);
}

TEST_F(QueueControllerTest, ReportsAfterTheControllerIsGoneReachNothing) {
  addRow("a", "http://h/a.mp3");
  controller->onDownloadClick();
  controller->onDispatchTick();
  engine->sendState(kCodeBegun, 1000);
  controller.reset();
  ui.pump();
  engine->sendState(kCodeEnded, 0, static_cast<std::int64_t>(TransferOutcome::Stopped));
  EXPECT_EQ(ui.pump(), 0);
  EXPECT_EQ(cells(0), (Cells{"", "", ""}));
}

// The engine's thread reports while the user-interface thread is busy with
// its own work: every report is applied whole, in the order it was sent.
TEST_F(QueueControllerTest, ReportsFromTheEngineThreadKeepTheirOrder) {
  addRow("a", "http://h/a.mp3");
  controller->onDownloadClick();
  controller->onDispatchTick();
  const TaskParam task = engine->tasks.back();
  std::thread engineThread([&task] {
    task.stateRoutine(kCodeBegun, 0, -1, 0, 1);
    for (int i = 0; i < 200; ++i) task.stateRoutine(kCodeBytesReceived, 0, i, 0, 1);
    task.messageRoutine(0, "", "first reason", kMessageError, 1);
    task.messageRoutine(0, "", "last reason", kMessageError, 1);
    task.stateRoutine(kCodeEnded, 0, 0, static_cast<std::int64_t>(TransferOutcome::Failed), 1);
  });
  const bool ended = ui.pumpUntil(
      [&] {
        controller->onProgressTick();
        controller->onDispatchTick();
        return state.currentNumber == 2;
      },
      std::chrono::seconds(10));
  engineThread.join();
  ASSERT_TRUE(ended);
  EXPECT_EQ(ui.cellText(0, kColumnRate), "-");
  EXPECT_EQ(ui.cellText(0, kColumnState), P("失败"));
  EXPECT_EQ(ui.rows[0].toolTip, "last reason");
  EXPECT_EQ(engine->tasks.size(), 1u);
}

}  // namespace
}  // namespace sfx
