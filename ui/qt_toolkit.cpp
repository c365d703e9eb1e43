#include "ui/qt_toolkit.h"

#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include "platform/encoding.h"
#include "ui/dialog_presenter.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/result_list_model.h"
#include "ui/status_bar.h"

namespace sfx {

QtToolkit::QtToolkit(MainWindow& window, DialogPresenter& dialogs) : window_(window), dialogs_(dialogs) {}

QtToolkit::~QtToolkit() = default;

std::string QtToolkit::editText(EditBox box) {
  const QLineEdit* edit = window_.edit(box);
  return edit ? fromQString(edit->text()) : std::string();
}

void QtToolkit::setEditText(EditBox box, std::string_view text) { window_.writeEdit(box, toQString(text)); }

int QtToolkit::appendRow() { return window_.listModel().appendRow(); }

void QtToolkit::setCell(int row, int column, std::string_view text) { window_.listModel().setCell(row, column, text); }

std::string QtToolkit::cellText(int row, int column) { return window_.listModel().cell(row, column); }

void QtToolkit::setRowToolTip(int row, std::string_view text) { window_.listModel().setToolTip(row, text); }

int QtToolkit::rowCount() { return window_.listModel().rowCount(); }

void QtToolkit::deleteAllRows() { window_.listModel().clear(); }

RowKey QtToolkit::rowKey(int row) { return window_.listModel().key(row); }

int QtToolkit::rowOfKey(RowKey key) { return window_.listModel().rowOfKey(key); }

bool QtToolkit::rowExists(int row) { return row >= 0 && row < rowCount(); }

void QtToolkit::selectRow(int row) {
  if (!rowExists(row)) return;
  // The view scrolls to a new current row only with autoScroll on, which it
  // keeps for the user's keys; a row made current here must not scroll it.
  QTableView* list = window_.list();
  list->setAutoScroll(false);
  list->selectionModel()->setCurrentIndex(window_.listModel().index(row, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list->setAutoScroll(true);
}

void QtToolkit::scrollRowIntoView(int row) {
  if (!rowExists(row)) return;
  QTableView* list = window_.list();
  // Rows appended just before have not been laid out yet; the scroll range must know them.
  list->doItemsLayout();
  // Only vertically, by the least amount; the columns stay where the user put them.
  const int across = list->horizontalScrollBar()->value();
  list->scrollTo(window_.listModel().index(row, 0), QAbstractItemView::EnsureVisible);
  list->horizontalScrollBar()->setValue(across);
}

void QtToolkit::setCurrentRowProperty(int row) {
  if (row >= 0) {
    selectRow(row);
    return;
  }
  window_.list()->selectionModel()->clear();
}

void QtToolkit::focusList() { window_.list()->setFocus(Qt::OtherFocusReason); }

void QtToolkit::setStatusText(int part, std::string_view text) { window_.statusBar()->setPartText(part, toQString(text)); }

void QtToolkit::setTimerPeriod(TimerId id, int periodMs) {
  QTimer* timer = window_.timer(id);
  const int wanted = periodMs < 0 ? 0 : periodMs;
  const int current = timer->isActive() ? timer->interval() : 0;
  if (wanted == current) return;  // a running timer is not restarted
  timer->stop();
  if (wanted > 0) timer->start(wanted);
}

void QtToolkit::messageBox(std::string_view text, int flags, std::optional<std::string_view> title) {
  if (title) {
    dialogs_.showMessage(text, flags, *title);
    return;
  }
  dialogs_.showMessage(text, flags, programText("信息："));
}

void QtToolkit::processPendingEvents() {
  // Returns when nothing waits; events posted meanwhile wait for the next call.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtToolkit::mainWindowOpen() { return window_.isOpen(); }

void QtToolkit::postToUiThread(std::function<void()> task) {
  QMetaObject::invokeMethod(&uiThreadReceiver_, std::move(task), Qt::QueuedConnection);
}

}  // namespace sfx
