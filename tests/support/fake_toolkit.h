// An in-memory Toolkit for tests of the harvest and the queue: a list with
// the real adapter's rules (absent rows ignored on write, empty on read),
// recorded message boxes and timer periods, and a queue of tasks posted from
// other threads that the test runs on its own thread with pump().
#pragma once

#include <array>
#include <condition_variable>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/toolkit.h"

namespace sfx::test {

struct RecordedMessage {
  std::string text;   // program text (GB18030)
  int flags = 0;
  std::optional<std::string> title;
};

class FakeToolkit : public Toolkit {
 public:
  struct Row {
    RowKey key = kNoRow;
    std::array<std::string, kListColumnCount> cells;
    std::string toolTip;
  };

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
  bool mainWindowOpen() override { return mainWindowOpen_; }
  void postToUiThread(std::function<void()> task) override;

  // Runs the posted tasks that are waiting; returns how many ran.
  int pump();
  // Waits up to `timeout` until `done()` holds, running posted tasks meanwhile.
  bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  // What the tests look at and arrange.
  std::map<EditBox, std::string> edits;
  std::vector<Row> rows;
  std::array<std::string, 3> status;
  std::map<TimerId, int> timerPeriods;
  std::vector<RecordedMessage> messages;
  int selectedRow = -1;
  int scrolledRow = -1;
  bool mainWindowOpen_ = true;
  // Called by processPendingEvents, after the posted tasks have run: lets a
  // test act "between pages" as a user would.
  std::function<void()> onProcessEvents;
  // Called by messageBox after recording, as if the user acted while it was open.
  std::function<void()> onMessageBox;

 private:
  bool validRow(int row) const { return row >= 0 && row < static_cast<int>(rows.size()); }
  RowKey nextKey_ = 1;
  std::mutex postedMutex_;
  std::condition_variable postedCv_;
  std::deque<std::function<void()>> posted_;
};

}  // namespace sfx::test
