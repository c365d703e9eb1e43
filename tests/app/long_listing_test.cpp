// A listing page of 100 000 sound effects through the whole program: the
// harvest fills every row, and the list can still be scrolled to its end and
// back, by program and by the user's keys and scroll bar, a row selected, and
// everything cleared.
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <string>

#include "platform/encoding.h"
#include "tests/app/program_fixture.h"
#include "ui/main_window.h"
#include "ui/result_list_model.h"
#include "ui/status_bar.h"
#include "ui/toolkit.h"

namespace sfx {
namespace {

constexpr int kMatches = 100000;

std::string title(int i) { return "音效" + std::to_string(i); }
std::string audioPath(int i) { return "/media/" + std::to_string(i) + ".mp3"; }

class LongListingTest : public test::ProgramFixture {
 protected:
  LongListingTest() : ProgramFixture("long") {
    std::string page = "<html><body><ul>\n";
    for (int i = 0; i < kMatches; ++i) page += test::listingItem(title(i), origin() + audioPath(i));
    servePage("/long_0_0_1.html", page + "</ul></body></html>\n");
  }

  QTableView& list() const { return *app->mainWindow().list(); }
  QScrollBar& bar() const { return *list().verticalScrollBar(); }
  // The rows the viewport shows at its top and at its bottom.
  int topRow() const { return list().rowAt(0); }
  int bottomRow() const { return list().rowAt(list().viewport()->height() - 1); }
  int selectedRow() const {
    const QModelIndexList rows = list().selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.front().row() : -1;
  }
  bool wholeRowVisible(int row) const {
    const QRect rect = list().visualRect(app->mainWindow().listModel().index(row, 0));
    return rect.top() >= 0 && rect.bottom() < list().viewport()->height();
  }
};

TEST_F(LongListingTest, AHundredThousandMatchesFillTheListWhichStaysUsable) {
  type("编辑框_链接", server.url("/long_0_0_1.html"));
  type("编辑框_起始页码", "1");
  type("编辑框_终止页码", "1");
  click("按钮_解析");

  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, programText("解析完成！"));
  Toolkit& ui = app->toolkit();
  ASSERT_EQ(ui.rowCount(), kMatches);
  for (const int row : {0, 1, kMatches / 2, kMatches - 1}) {
    SCOPED_TRACE(row);
    EXPECT_EQ(ui.cellText(row, kColumnId), std::to_string(row + 1));
    EXPECT_EQ(ui.cellText(row, kColumnTitle), programText(title(row)));
    EXPECT_EQ(ui.cellText(row, kColumnUrl), "http:" + origin() + audioPath(row));
  }
  EXPECT_EQ(state.currentRow, kMatches - 1);
  EXPECT_EQ(app->mainWindow().statusBar()->partText(2), QStringLiteral("共100000条解析数据！"));

  // By program, as the queue scrolls to the row it starts.
  ui.scrollRowIntoView(kMatches - 1);
  EXPECT_TRUE(wholeRowVisible(kMatches - 1));
  EXPECT_EQ(bar().value(), bar().maximum());
  list().scrollTo(app->mainWindow().listModel().index(0, 0));
  EXPECT_EQ(topRow(), 0);

  // By the scroll bar.
  bar().setValue(bar().maximum());
  EXPECT_EQ(bottomRow(), kMatches - 1);
  bar().setValue(0);
  EXPECT_EQ(topRow(), 0);

  // By a click on a row, then by the keys: the list follows the current row.
  const int clicked = bottomRow();
  QTest::mouseClick(list().viewport(), Qt::LeftButton, {},
                    list().visualRect(app->mainWindow().listModel().index(clicked, kColumnTitle)).center());
  EXPECT_EQ(selectedRow(), clicked);
  QTest::keyClick(&list(), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(selectedRow(), kMatches - 1);
  EXPECT_TRUE(wholeRowVisible(kMatches - 1));
  QTest::keyClick(&list(), Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(selectedRow(), 0);
  EXPECT_EQ(topRow(), 0);

  click("按钮_清空");
  EXPECT_EQ(ui.rowCount(), 0);
  EXPECT_EQ(selectedRow(), -1);
  ui.processPendingEvents();  // the view lays itself out again, as before the user sees it
  EXPECT_EQ(bar().maximum(), 0);
  EXPECT_EQ(list().rowAt(0), -1);
}

}  // namespace
}  // namespace sfx
