// 超级列表框_解析列表 with 100 000 rows, appended through the toolkit as the
// harvest appends them: the user's keys still move the view with the current
// row, and the queue's operations on the last rows keep their rules.
#include <QCoreApplication>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <string>

#include "tests/ui/recording_dialogs.h"
#include "ui/main_window.h"
#include "ui/qt_toolkit.h"
#include "ui/result_list_model.h"

namespace sfx {
namespace {

constexpr int kRows = 100000;
constexpr int kLastRow = kRows - 1;

class LongListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.show();
    for (int i = 0; i < kRows; ++i) {
      const int row = ui.appendRow();
      ui.setCell(row, kColumnId, std::to_string(row + 1));
      ui.setCell(row, kColumnUrl, "http://127.0.0.1/media/" + std::to_string(row) + ".mp3");
    }
    QCoreApplication::processEvents();
  }

  QTableView& list() const { return *window.list(); }
  QScrollBar& bar() const { return *list().verticalScrollBar(); }
  int topRow() const { return list().rowAt(0); }
  int selectedRow() const {
    const QModelIndexList rows = list().selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.front().row() : -1;
  }
  bool wholeRowVisible(int row) const {
    const QRect rect = list().visualRect(window.listModel().index(row, 0));
    return rect.top() >= 0 && rect.bottom() < list().viewport()->height();
  }
  void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(&list(), key, modifiers); }

  MainWindow window;
  test::RecordingDialogs dialogs;
  QtToolkit ui{window, dialogs};
};

TEST_F(LongListTest, TheViewFollowsTheRowTheUsersKeysMakeCurrent) {
  struct Case {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int expectedRow;  // -1: any row other than the one before
  };
  const Case cases[] = {
      {"Ctrl+End", Qt::Key_End, Qt::ControlModifier, kLastRow},
      {"Page Up", Qt::Key_PageUp, {}, -1},
      {"Ctrl+Home", Qt::Key_Home, Qt::ControlModifier, 0},
      {"Page Down", Qt::Key_PageDown, {}, -1},
      {"Down", Qt::Key_Down, {}, -1},
  };
  ui.selectRow(0);
  list().setFocus();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int before = selectedRow();
    press(c.key, c.modifiers);
    if (c.expectedRow >= 0) {
      EXPECT_EQ(selectedRow(), c.expectedRow);
    } else {
      EXPECT_NE(selectedRow(), before);
    }
    EXPECT_TRUE(wholeRowVisible(selectedRow())) << "row " << selectedRow() << ", top row " << topRow();
  }
}

TEST_F(LongListTest, TheQueuesOperationsOnTheLastRowKeepTheirRules) {
  // Starting the transfer of the last row: selected and scrolled into view.
  ui.selectRow(kLastRow);
  ui.scrollRowIntoView(kLastRow);
  EXPECT_EQ(selectedRow(), kLastRow);
  EXPECT_TRUE(wholeRowVisible(kLastRow));
  EXPECT_EQ(bar().value(), bar().maximum());

  // A progress tick while the user looks at the top: written and selected, not scrolled to.
  bar().setValue(0);
  const RowKey key = ui.rowKey(kLastRow);
  ASSERT_EQ(ui.rowOfKey(key), kLastRow);
  ui.setCurrentRowProperty(kLastRow);
  ui.setCell(kLastRow, kColumnProgress, "50%");
  ui.selectRow(kLastRow);
  EXPECT_EQ(ui.cellText(kLastRow, kColumnProgress), "50%");
  EXPECT_EQ(selectedRow(), kLastRow);
  EXPECT_EQ(topRow(), 0);

  ui.setCurrentRowProperty(-1);
  EXPECT_EQ(selectedRow(), -1);

  ui.deleteAllRows();
  QCoreApplication::processEvents();
  EXPECT_EQ(ui.rowCount(), 0);
  EXPECT_EQ(ui.rowOfKey(key), -1);
  EXPECT_EQ(bar().maximum(), 0);
  EXPECT_EQ(ui.appendRow(), 0);
}

}  // namespace
}  // namespace sfx
