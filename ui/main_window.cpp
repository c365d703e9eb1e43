#include "ui/main_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <string_view>

#include "harvest/end_page.h"
#include "harvest/listing_harvest.h"
#include "ui/controls.h"
#include "ui/integer_text_validator.h"
#include "ui/result_list_model.h"
#include "ui/status_bar.h"
#include "ui/window_frame.h"

namespace sfx {
namespace {

constexpr int kListFontPixels = 15;
constexpr int kNoteFontPixels = 15;
constexpr int kLabelFontPixels = 12;  // the labels of the link, the pattern, the start page and the rule
constexpr int kListColumnWidths[kListColumnCount] = {60, 160, 240, 80, 80, 80};
const QColor kNoteColour(192, 96, 0);
// A row of the list: the 15-pixel font's line and a little air, as a report view draws it.
constexpr int kListRowPadding = 4;

const char* const kDefaultLink = "http://www.yinxiao.com/yinxiao/m101/zonghe_0_0_0_0_0_0_1.html";
const char* const kNote = "注意：除非自己知道终止页码，否则请先获取终止页码。有些类目页面少会随机推荐音效，防止重复。";

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QTimer* addTimer(QObject& parent, const char* name) {
  auto* timer = new QTimer(&parent);
  timer->setObjectName(QString::fromUtf8(name));
  return timer;
}

}  // namespace

QString defaultSaveFolder() {
  QString home = QDir::homePath();
  if (home.endsWith(u'/')) home.chop(1);  // a home of "/" must not give "//Sounds/"
  return home + QStringLiteral("/Sounds/");
}

MainWindow::MainWindow() {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(QStringLiteral("Varnowe音效下载"));
  setFixedFrame(*this, kClientWidth, kClientHeight);
  createControls();
  centreOnScreen(*this);
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls() {
  statusBar_ = new StatusBar(this);
  statusBar_->setObjectName(QStringLiteral("状态条1"));
  statusBar_->setGeometry(0, kClientHeight - StatusBar::kHeight, kClientWidth, StatusBar::kHeight);

  dispatchTimer_ = addTimer(*this, "时钟_下载");
  connect(dispatchTimer_, &QTimer::timeout, this, &MainWindow::dispatchTick);

  auto* group = new QGroupBox(QStringLiteral("批量下载"), this);
  group->setObjectName(QStringLiteral("分组框_批量下载"));
  group->setGeometry(37, 22, 742, 554);

  QLabel* note = addLabel(*group, "透明标签9", kNote, {592, 23, 136, 107}, kNoteFontPixels);
  note->setWordWrap(true);
  note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette notePalette = note->palette();
  notePalette.setColor(QPalette::WindowText, kNoteColour);
  note->setPalette(notePalette);

  addEdit(*group, EditBox::PageNumberRule, "编辑框_页码正则", fromUtf8(kEndPagePatternUtf8), {96, 120, 392, 24});
  addLabel(*group, "透明标签8", "页码规则：", {32, 121, 60, 24}, kLabelFontPixels);
  addButton(*group, "按钮_解析页码", "获取终止页码", {496, 88, 80, 24}, &MainWindow::endPageClicked);
  addLabel(*group, "透明标签7", "检测周期：", {320, 521, 60, 24});
  addEdit(*group, EditBox::CheckPeriod, "编辑框_检测周期", QStringLiteral("200"), {381, 521, 56, 24});
  addEdit(*group, EditBox::PagePattern, "编辑框_页面正则", fromUtf8(kDefaultPagePatternUtf8), {96, 55, 392, 24});
  addLabel(*group, "透明标签6", "页面正则：", {32, 56, 60, 24}, kLabelFontPixels);
  QLineEdit* endPage = addEdit(*group, EditBox::EndPage, "编辑框_终止页码", QStringLiteral("99"), {221, 89, 56, 24});
  integerBoxes_[EditBox::EndPage] = new IntegerTextValidator(*endPage);
  addLabel(*group, "透明标签5", "终止页码：", {160, 89, 60, 24});
  QLineEdit* startPage = addEdit(*group, EditBox::StartPage, "编辑框_起始页码", QStringLiteral("1"), {96, 89, 56, 24});
  integerBoxes_[EditBox::StartPage] = new IntegerTextValidator(*startPage);
  addLabel(*group, "透明标签4", "起始页码：", {32, 89, 60, 24}, kLabelFontPixels);
  addEdit(*group, EditBox::PageVariable, "编辑框_页码变量", QStringLiteral("0_0_1"), {432, 90, 56, 24});
  addLabel(*group, "透明标签3", "页码变量：", {368, 90, 60, 24});
  addButton(*group, "按钮1", "手动添加", {643, 521, 88, 24}, &MainWindow::manualAddClicked);
  addButton(*group, "按钮_清空", "清空", {536, 521, 64, 24}, &MainWindow::clearClicked);

  progressTimer_ = addTimer(*group, "时钟_下载进度");
  connect(progressTimer_, &QTimer::timeout, this, &MainWindow::progressTick);

  addButton(*group, "按钮_下载", "下载", {440, 521, 64, 24}, &MainWindow::downloadClicked);
  addLabel(*group, "透明标签2", "保存路径：", {11, 522, 60, 24});
  QLineEdit* saveFolder = addEdit(*group, EditBox::SavePath, "编辑框_保存路径", defaultSaveFolder(), {76, 522, 160, 24});
  connect(saveFolder, &QLineEdit::textEdited, this, &MainWindow::saveFolderEdited);
  addButton(*group, "按钮_浏览", "浏览", {244, 522, 64, 24}, &MainWindow::browseClicked);
  QPushButton* parse = addButton(*group, "按钮_解析", "解析页面", {496, 24, 80, 24}, &MainWindow::parseClicked);
  parse->setFocusPolicy(Qt::ClickFocus);  // not a tab stop, but a click still takes the focus
  addEdit(*group, EditBox::Link, "编辑框_链接", QString::fromUtf8(kDefaultLink), {96, 24, 392, 24});
  addLabel(*group, "透明标签1", "音效链接：", {32, 24, 60, 24}, kLabelFontPixels);
  createList(*group);
  setTabOrder();
  edit(EditBox::Link)->setFocus();
}

void MainWindow::createList(QGroupBox& group) {
  model_ = new ResultListModel(this);
  list_ = new QTableView(&group);
  list_->setObjectName(QStringLiteral("超级列表框_解析列表"));
  list_->setGeometry(11, 168, 720, 346);
  list_->setFont(yaheiFont(kListFontPixels));
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSortingEnabled(false);
  list_->setShowGrid(true);
  list_->setWordWrap(false);
  list_->setTabKeyNavigation(false);
  // The list follows the current row as the user's keys move it; a row the
  // program selects leaves it where it is (QtToolkit::selectRow).
  list_->setAutoScroll(true);

  // The selection stays shown, in the same colours, when the list loses the focus.
  QPalette palette = list_->palette();
  for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  list_->setPalette(palette);

  QHeaderView* rows = list_->verticalHeader();
  rows->hide();
  // One fixed height for every row keeps a list of 100 000 rows cheap to lay out.
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(list_->fontMetrics().height() + kListRowPadding);

  QHeaderView* columns = list_->horizontalHeader();
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->setSectionsClickable(true);  // the header buttons can be clicked; nothing is sorted
  columns->setSortIndicatorShown(false);
  columns->setHighlightSections(false);
  columns->setStretchLastSection(false);
  columns->setSectionResizeMode(QHeaderView::Interactive);
  for (int column = 0; column < kListColumnCount; ++column) columns->resizeSection(column, kListColumnWidths[column]);
}

// Left to right and top to bottom, as the controls are seen.
void MainWindow::setTabOrder() {
  const auto named = [this](const char* name) { return findChild<QWidget*>(QString::fromUtf8(name)); };
  const char* const order[] = {"编辑框_链接",   "编辑框_页面正则", "编辑框_起始页码", "编辑框_终止页码", "编辑框_页码变量",
                               "按钮_解析页码", "编辑框_页码正则", "超级列表框_解析列表", "编辑框_保存路径", "按钮_浏览",
                               "编辑框_检测周期", "按钮_下载",     "按钮_清空",       "按钮1"};
  for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(named(order[i - 1]), named(order[i]));
}

QLineEdit* MainWindow::addEdit(QWidget& parent, EditBox box, const char* name, const QString& text, QRect place) {
  QLineEdit* edit = addLineEdit(parent, name, text, place);
  edits_[box] = edit;
  return edit;
}

QPushButton* MainWindow::addButton(QWidget& parent, const char* name, const char* text, QRect place,
                                   void (MainWindow::*clicked)()) {
  QPushButton* button = sfx::addButton(parent, name, text, place);
  connect(button, &QPushButton::clicked, this, clicked);
  return button;
}

QLineEdit* MainWindow::edit(EditBox box) const {
  const auto found = edits_.find(box);
  return found == edits_.end() ? nullptr : found->second;
}

void MainWindow::writeEdit(EditBox box, const QString& text) {
  QLineEdit* target = edit(box);
  if (!target) return;
  if (const auto found = integerBoxes_.find(box); found != integerBoxes_.end()) found->second->acceptProgramText(text);
  target->setText(text);
  target->setCursorPosition(0);  // show the beginning of a long text, as the box did at start
}

QTimer* MainWindow::timer(TimerId timer) const {
  switch (timer) {
    case TimerId::Dispatch:
      return dispatchTimer_;
    case TimerId::Progress:
      return progressTimer_;
  }
  return nullptr;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Only hidden (QWidget's default on close): a click handler of this window
  // may be running a nested event loop and must find its widgets alive.
  QWidget::closeEvent(event);
  if (!event->isAccepted() || !open_) return;
  open_ = false;
  emit closed();
}

}  // namespace sfx
