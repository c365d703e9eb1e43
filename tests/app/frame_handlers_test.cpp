#include "app/frame_handlers.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "tests/support/fake_toolkit.h"
#include "tests/ui/recording_dialogs.h"

namespace sfx {
namespace {

const std::string kDefaultFolder = "/home/ana/Sounds/";

class FrameHandlersTest : public ::testing::Test {
 protected:
  void SetUp() override { ui.edits[EditBox::SavePath] = kDefaultFolder; }

  void addRows(int count) {
    for (int i = 0; i < count; ++i) ASSERT_TRUE(addManualRow(ui, state, "t", "u"));
  }

  test::FakeToolkit ui;
  test::RecordingDialogs dialogs;
  AppState state;
};

TEST_F(FrameHandlersTest, CreatedEventSetsTheSaveFolderAndTheDateOnce) {
  const Clock clock = [] { return LocalDateTime{2024, 3, 5, 3, 9, 5}; };
  onMainWindowCreated(ui, state, kDefaultFolder, clock);
  EXPECT_EQ(state.savePath, kDefaultFolder);
  EXPECT_EQ(state.savePath, ui.edits[EditBox::SavePath]);
  EXPECT_EQ(ui.status[0], programText("2024年3月5日 星期二"));
  EXPECT_EQ(ui.status[1], "");
  EXPECT_EQ(ui.status[2], "");
}

TEST_F(FrameHandlersTest, BrowseAppendsASlashToWhatWasChosenAndCancelPutsBackTheDefault) {
  struct Case {
    const char* name;
    std::vector<std::string> answers;  // one per click; "" is Cancel
    std::string expected;
  };
  const Case cases[] = {
      {"folder", {"/home/ana/Music"}, "/home/ana/Music/"},
      {"root", {"/"}, "//"},
      {"a file", {"/home/ana/rain.mp3"}, "/home/ana/rain.mp3/"},
      {"Chinese folder", {programText("/home/ana/音效")}, programText("/home/ana/音效/")},
      {"cancelled", {""}, kDefaultFolder},
      {"cancelled after a pick", {"/home/ana/Music", ""}, kDefaultFolder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.folderRequests.clear();
    dialogs.folderAnswers.assign(c.answers.begin(), c.answers.end());
    for (std::size_t i = 0; i < c.answers.size(); ++i) onBrowseClick(ui, dialogs, state, kDefaultFolder);
    EXPECT_EQ(ui.edits[EditBox::SavePath], c.expected);
    EXPECT_EQ(state.savePath, c.expected);
    ASSERT_EQ(dialogs.folderRequests.size(), c.answers.size());
    EXPECT_EQ(dialogs.folderRequests.back().instruction, programText("选择保存路径"));
    EXPECT_TRUE(dialogs.folderRequests.back().includeFiles);
  }
}

TEST_F(FrameHandlersTest, AnEditedSaveFolderIsTakenAsItIs) {
  for (const char* typed : {"/data/sounds", "", "relative/", "/data/sounds/"}) {
    SCOPED_TRACE(typed);
    ui.edits[EditBox::SavePath] = typed;
    onSaveFolderEdited(ui, state);
    EXPECT_EQ(state.savePath, typed);
  }
}

TEST_F(FrameHandlersTest, ClearRemovesTheRowsAndNothingElse) {
  addRows(3);
  state.totalCount = 3;
  state.currentNumber = 2;
  state.readyForNext = true;
  ui.timerPeriods[TimerId::Dispatch] = 200;
  ui.timerPeriods[TimerId::Progress] = 1000;
  ui.status = {"a", "b", "c"};
  onClearClick(ui);
  EXPECT_EQ(ui.rowCount(), 0);
  EXPECT_EQ(state.totalCount, 3);
  EXPECT_EQ(state.currentNumber, 2);
  EXPECT_TRUE(state.readyForNext);
  EXPECT_EQ(state.currentRow, 2);
  EXPECT_EQ(ui.timerPeriods[TimerId::Dispatch], 200);
  EXPECT_EQ(ui.timerPeriods[TimerId::Progress], 1000);
  EXPECT_EQ(ui.status[2], "c");
}

TEST_F(FrameHandlersTest, AManualRowGetsTheNextIdAndTheTextsExactlyAsTyped) {
  struct Case {
    const char* name;
    int rowsBefore;
    std::string title;
    std::string url;
    const char* id;
  };
  const Case cases[] = {
      {"first row", 0, programText("雷声"), "http://127.0.0.1/a.mp3", "1"},
      {"after three rows", 3, "t", "u", "4"},
      {"both boxes empty", 1, "", "", "2"},
      {"no scheme added", 0, "x", "//127.0.0.1/b.mp3", "1"},
      {"tenth row", 9, programText(" 空格 "), "ftp://127.0.0.1/c", "10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui.deleteAllRows();
    addRows(c.rowsBefore);
    state.currentRow = -5;
    ASSERT_TRUE(addManualRow(ui, state, c.title, c.url));
    const int row = c.rowsBefore;
    EXPECT_EQ(ui.rowCount(), row + 1);
    EXPECT_EQ(state.currentRow, row);
    EXPECT_EQ(ui.cellText(row, kColumnId), c.id);
    EXPECT_EQ(ui.cellText(row, kColumnTitle), c.title);
    EXPECT_EQ(ui.cellText(row, kColumnUrl), c.url);
    for (int column = kColumnProgress; column < kListColumnCount; ++column) EXPECT_EQ(ui.cellText(row, column), "");
  }
}

TEST_F(FrameHandlersTest, NothingIsAddedOnceMainWindowHasClosed) {
  addRows(2);
  state.currentRow = 1;
  ui.mainWindowOpen_ = false;
  EXPECT_FALSE(addManualRow(ui, state, "t", "u"));
  EXPECT_EQ(ui.rowCount(), 2);
  EXPECT_EQ(state.currentRow, 1);
}

}  // namespace
}  // namespace sfx
