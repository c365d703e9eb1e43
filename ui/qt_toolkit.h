// The Toolkit over the real windows: MainWindow's controls, the dialogs
// (through a DialogPresenter, so tests record them) and the Qt event loop.
#pragma once

#include <QObject>

#include "ui/toolkit.h"

namespace sfx {

class DialogPresenter;
class MainWindow;

class QtToolkit final : public Toolkit {
 public:
  // Both must outlive the toolkit; it lives on the thread that makes it,
  // which must be the user-interface thread.
  QtToolkit(MainWindow& window, DialogPresenter& dialogs);
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  std::string editText(EditBox box) override;
  void setEditText(EditBox box, std::string_view text) override;
  int appendRow() override;
  void setCell(int row, int column, std::string_view text) override;
  std::string cellText(int row, int column) override;
  void setRowToolTip(int row, std::string_view text) override;
  int rowCount() override;
  void deleteAllRows() override;
  RowKey rowKey(int row) override;
  int rowOfKey(RowKey key) override;
  void selectRow(int row) override;
  void scrollRowIntoView(int row) override;
  void setCurrentRowProperty(int row) override;
  void focusList() override;
  void setStatusText(int part, std::string_view text) override;
  void setTimerPeriod(TimerId timer, int periodMs) override;
  void messageBox(std::string_view text, int flags, std::optional<std::string_view> title) override;
  void processPendingEvents() override;
  bool mainWindowOpen() override;
  void postToUiThread(std::function<void()> task) override;

 private:
  [[nodiscard]] bool rowExists(int row);

  MainWindow& window_;
  DialogPresenter& dialogs_;
  // Receives the posted tasks. Tasks still queued when the toolkit goes are
  // dropped with it, so a report of the engine that comes after the exit
  // changes nothing.
  QObject uiThreadReceiver_;
};

}  // namespace sfx
