#include "ui/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSizeGrip>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

#include "ui/result_list_model.h"
#include "ui/status_bar.h"

namespace sfx {
namespace {

QString controlText(const QObject* control) {
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<const QPushButton*>(control)) return button->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
  return {};
}

// Types each character as a key press carrying that text, for characters
// (such as full-width digits) that QTest::keyClicks has no key for.
void typeText(QWidget* widget, const QString& text) {
  for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

struct ControlCase {
  const char* name;
  const char* parent;
  QRect place;
  QString text;
};

std::vector<ControlCase> layoutTable() {
  const char* group = "分组框_批量下载";
  return {
      {"分组框_批量下载", "MainWindow", {37, 22, 742, 554}, "批量下载"},
      {"透明标签9", group, {592, 23, 136, 107},
       "注意：除非自己知道终止页码，否则请先获取终止页码。有些类目页面少会随机推荐音效，防止重复。"},
      {"编辑框_页码正则", group, {96, 120, 392, 24},
       "<span class=#引号ell#引号>...</span><a href=#引号.*#引号>(.*?)</a><a href=#引号.*#引号>下一页</a></div>"},
      {"透明标签8", group, {32, 121, 60, 24}, "页码规则："},
      {"按钮_解析页码", group, {496, 88, 80, 24}, "获取终止页码"},
      {"透明标签7", group, {320, 521, 60, 24}, "检测周期："},
      {"编辑框_检测周期", group, {381, 521, 56, 24}, "200"},
      {"编辑框_页面正则", group, {96, 55, 392, 24},
       R"(<a  class='title' target=#引号_blank#引号 href=#引号.*#引号>(.*?)</a>[\s|\S]*?<source src=#引号(.*?)#引号 type=#引号audio/mpeg#引号>)"},
      {"透明标签6", group, {32, 56, 60, 24}, "页面正则："},
      {"编辑框_终止页码", group, {221, 89, 56, 24}, "99"},
      {"透明标签5", group, {160, 89, 60, 24}, "终止页码："},
      {"编辑框_起始页码", group, {96, 89, 56, 24}, "1"},
      {"透明标签4", group, {32, 89, 60, 24}, "起始页码："},
      {"编辑框_页码变量", group, {432, 90, 56, 24}, "0_0_1"},
      {"透明标签3", group, {368, 90, 60, 24}, "页码变量："},
      {"按钮1", group, {643, 521, 88, 24}, "手动添加"},
      {"按钮_清空", group, {536, 521, 64, 24}, "清空"},
      {"按钮_下载", group, {440, 521, 64, 24}, "下载"},
      {"透明标签2", group, {11, 522, 60, 24}, "保存路径："},
      {"编辑框_保存路径", group, {76, 522, 160, 24}, defaultSaveFolder()},
      {"按钮_浏览", group, {244, 522, 64, 24}, "浏览"},
      {"按钮_解析", group, {496, 24, 80, 24}, "解析页面"},
      {"编辑框_链接", group, {96, 24, 392, 24}, "http://www.yinxiao.com/yinxiao/m101/zonghe_0_0_0_0_0_0_1.html"},
      {"透明标签1", group, {32, 24, 60, 24}, "音效链接："},
      {"超级列表框_解析列表", group, {11, 168, 720, 346}, ""},
  };
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { window.show(); }

  template <typename T>
  T* control(const char* name) {
    T* found = window.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  MainWindow window;
};

TEST_F(MainWindowTest, EveryControlHasItsNameParentPlaceAndText) {
  for (const ControlCase& c : layoutTable()) {
    SCOPED_TRACE(c.name);
    QWidget* widget = window.findChild<QWidget*>(QString::fromUtf8(c.name));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parent()->objectName(), QString::fromUtf8(c.parent));
    EXPECT_EQ(widget->geometry(), c.place);
    EXPECT_EQ(controlText(widget), c.text);
    EXPECT_TRUE(widget->isVisible());
    EXPECT_TRUE(widget->isEnabled());
  }
}

TEST_F(MainWindowTest, WindowHasItsCaptionAFixedSizeAndNoMaximiseBox) {
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Varnowe音效下载"));
  EXPECT_EQ(window.size(), QSize(MainWindow::kClientWidth, MainWindow::kClientHeight));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowStaysOnTopHint));
  // Every control lies inside the client area.
  for (const QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    EXPECT_TRUE(window.rect().contains(child->geometry())) << child->objectName().toStdString();
  for (const QWidget* child : control<QGroupBox>("分组框_批量下载")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    EXPECT_TRUE(child->parentWidget()->rect().contains(child->geometry())) << child->objectName().toStdString();
}

TEST_F(MainWindowTest, StatusBarHasThreeSunkenPartsEndingAt200And500) {
  StatusBar* bar = control<StatusBar>("状态条1");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->parent(), &window);
  EXPECT_EQ(bar->geometry().bottom(), window.rect().bottom());
  EXPECT_EQ(bar->width(), window.width());
  EXPECT_GE(bar->y(), 22 + 554);  // below the group box
  const int rightEdges[] = {200, 500, window.width()};
  for (int part = 0; part < StatusBar::kPartCount; ++part) {
    SCOPED_TRACE(part);
    const QLabel* label = bar->part(part);
    EXPECT_EQ(label->geometry().right() + 1, rightEdges[part]);
    EXPECT_EQ(label->frameShadow(), QFrame::Sunken);
    EXPECT_TRUE(label->text().isEmpty());
  }
  EXPECT_EQ(window.findChildren<QSizeGrip*>().size(), 0);
}

TEST_F(MainWindowTest, ListHasItsColumnsAndBehaviour) {
  QTableView* list = window.list();
  const char* const titles[] = {"ID", "文件名", "下载链接", "下载进度", "下载速度", "下载状态"};
  const int widths[] = {60, 160, 240, 80, 80, 80};
  for (int column = 0; column < kListColumnCount; ++column) {
    SCOPED_TRACE(column);
    EXPECT_EQ(list->model()->headerData(column, Qt::Horizontal).toString(), QString::fromUtf8(titles[column]));
    EXPECT_EQ(list->horizontalHeader()->sectionSize(column), widths[column]);
  }
  EXPECT_EQ(list->model()->rowCount(), 0);
  EXPECT_FALSE(list->selectionModel()->hasSelection());
  EXPECT_TRUE(list->showGrid());
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(list->isSortingEnabled());
  EXPECT_TRUE(list->hasAutoScroll());  // follows the current row as the user's keys move it
  EXPECT_EQ(list->font().pixelSize(), 15);

  // A click on a header button sorts nothing.
  window.listModel().appendRow();
  window.listModel().setCell(0, kColumnId, "2");
  window.listModel().appendRow();
  window.listModel().setCell(1, kColumnId, "1");
  QTest::mouseClick(list->horizontalHeader()->viewport(), Qt::LeftButton, {},
                    QPoint(list->horizontalHeader()->sectionViewportPosition(0) + 5, 5));
  EXPECT_EQ(window.listModel().cell(0, kColumnId), "2");
  EXPECT_FALSE(window.listModel().flags(window.listModel().index(0, 0)).testFlag(Qt::ItemIsEditable));

  // The selection keeps its colours when the list loses the focus.
  const QPalette palette = list->palette();
  EXPECT_EQ(palette.color(QPalette::Inactive, QPalette::Highlight), palette.color(QPalette::Active, QPalette::Highlight));
  EXPECT_EQ(palette.color(QPalette::Inactive, QPalette::HighlightedText),
            palette.color(QPalette::Active, QPalette::HighlightedText));
}

TEST_F(MainWindowTest, FontsAndTheNoteColourShowChinese) {
  struct Case {
    const char* name;
    int pixelSize;
  };
  const Case cases[] = {{"透明标签9", 15}, {"透明标签1", 12}, {"透明标签4", 12}, {"透明标签6", 12}, {"透明标签8", 12}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QLabel* label = control<QLabel>(c.name);
    EXPECT_EQ(label->font().pixelSize(), c.pixelSize);
    EXPECT_EQ(label->font().weight(), QFont::Normal);
    EXPECT_EQ(label->font().families().value(0), QStringLiteral("Microsoft YaHei"));
  }
  const QLabel* note = control<QLabel>("透明标签9");
  EXPECT_TRUE(note->wordWrap());
  EXPECT_EQ(note->palette().color(QPalette::WindowText), QColor(192, 96, 0));
  // The fallback families must reach a font that has the Chinese glyphs.
  for (const QWidget* widget : {static_cast<const QWidget*>(note), static_cast<const QWidget*>(window.list()),
                                static_cast<const QWidget*>(control<QPushButton>("按钮_下载"))}) {
    const QFontMetrics metrics(widget->font());
    for (const QChar c : QStringLiteral("注意下载")) EXPECT_TRUE(metrics.inFont(c)) << widget->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, TabStopsAreTheBoxesButtonsAndListButNotTheParseButton) {
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    const bool focusable = qobject_cast<QLineEdit*>(widget) || qobject_cast<QPushButton*>(widget) || widget == window.list();
    if (!focusable) continue;
    const bool tabStop = widget->focusPolicy() & Qt::TabFocus;
    EXPECT_EQ(tabStop, widget->objectName() != QStringLiteral("按钮_解析")) << widget->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, TimersExistStoppedWithTheirParents) {
  const QTimer* dispatch = window.findChild<QTimer*>(QStringLiteral("时钟_下载"));
  const QTimer* progress = window.findChild<QTimer*>(QStringLiteral("时钟_下载进度"));
  ASSERT_NE(dispatch, nullptr);
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(dispatch->parent(), &window);
  EXPECT_EQ(progress->parent()->objectName(), QStringLiteral("分组框_批量下载"));
  EXPECT_FALSE(dispatch->isActive());
  EXPECT_FALSE(progress->isActive());
  EXPECT_EQ(window.timer(TimerId::Dispatch), dispatch);
  EXPECT_EQ(window.timer(TimerId::Progress), progress);
}

TEST_F(MainWindowTest, IntegerBoxesTakeOnlyDigitsAndMinusFromTheUser) {
  struct Case {
    EditBox box;
    const char* typed;
    const char* expected;
  };
  const Case cases[] = {
      {EditBox::StartPage, "12", "12"},         {EditBox::StartPage, "a1b2c", "12"},
      {EditBox::EndPage, "-7", "-7"},           {EditBox::EndPage, "x y.9", "9"},
      {EditBox::EndPage, "１２", ""},            // full-width digits are not 0 to 9
      {EditBox::PageVariable, "a1b", "a1b"},  // any other box takes anything
      {EditBox::CheckPeriod, "2s", "2s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    QLineEdit* box = window.edit(c.box);
    box->clear();
    typeText(box, QString::fromUtf8(c.typed));
    EXPECT_EQ(box->text(), QString::fromUtf8(c.expected));
  }
}

TEST_F(MainWindowTest, IntegerBoxesRefusePastedLetters) {
  QLineEdit* box = window.edit(EditBox::EndPage);
  box->setText("5");
  box->end(false);
  QApplication::clipboard()->setText("1a");
  box->paste();
  EXPECT_EQ(box->text(), "5");
  QApplication::clipboard()->setText("-30");
  box->paste();
  EXPECT_EQ(box->text(), "5-30");
}

TEST_F(MainWindowTest, ProgramWritesIntoAnIntegerBoxStayEditable) {
  // The end-page button may write whatever the pager held.
  QLineEdit* box = window.edit(EditBox::EndPage);
  window.writeEdit(EditBox::EndPage, "末页");
  EXPECT_EQ(box->text(), QStringLiteral("末页"));
  box->setFocus();
  box->end(false);
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(box->text(), QStringLiteral("末"));
  QTest::keyClicks(box, "x3");
  EXPECT_EQ(box->text(), QStringLiteral("末3"));
}

TEST_F(MainWindowTest, OnlyTheUsersEditsOfTheSaveFolderAreSignalled) {
  QSignalSpy edited(&window, &MainWindow::saveFolderEdited);
  QLineEdit* box = window.edit(EditBox::SavePath);
  window.writeEdit(EditBox::SavePath, "/tmp/a/");
  EXPECT_EQ(edited.count(), 0);
  box->end(false);
  QTest::keyClicks(box, "bc");
  EXPECT_EQ(edited.count(), 2);  // one per keystroke
  EXPECT_EQ(box->text(), "/tmp/a/bc");
}

TEST_F(MainWindowTest, BoxesHaveNoLengthLimit) {
  const QString longText(40000, u'x');
  window.writeEdit(EditBox::PagePattern, longText);
  EXPECT_EQ(window.edit(EditBox::PagePattern)->text(), longText);
}

TEST_F(MainWindowTest, ClosingHidesTheWindowAndSignalsOnce) {
  QSignalSpy closed(&window, &MainWindow::closed);
  EXPECT_TRUE(window.isOpen());
  window.close();
  EXPECT_FALSE(window.isOpen());
  EXPECT_FALSE(window.isVisible());
  window.close();
  EXPECT_EQ(closed.count(), 1);
  // The widgets are still there for a handler that was running.
  EXPECT_NE(window.edit(EditBox::Link), nullptr);
}

TEST_F(MainWindowTest, ButtonsAndTimersLeaveAsSignals) {
  struct Case {
    const char* button;
    void (MainWindow::*signal)();
  };
  const Case cases[] = {
      {"按钮_解析", &MainWindow::parseClicked},     {"按钮_解析页码", &MainWindow::endPageClicked},
      {"按钮_下载", &MainWindow::downloadClicked},  {"按钮_浏览", &MainWindow::browseClicked},
      {"按钮_清空", &MainWindow::clearClicked},     {"按钮1", &MainWindow::manualAddClicked},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    QSignalSpy spy(&window, c.signal);
    control<QPushButton>(c.button)->click();
    EXPECT_EQ(spy.count(), 1);
  }
  QSignalSpy dispatch(&window, &MainWindow::dispatchTick);
  QSignalSpy progress(&window, &MainWindow::progressTick);
  window.timer(TimerId::Dispatch)->start(1);
  window.timer(TimerId::Progress)->start(1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return dispatch.count() > 0 && progress.count() > 0; }, 5000));
  window.timer(TimerId::Dispatch)->stop();
  window.timer(TimerId::Progress)->stop();
}

}  // namespace
}  // namespace sfx
