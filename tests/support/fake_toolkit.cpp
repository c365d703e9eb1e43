#include "tests/support/fake_toolkit.h"

namespace sfx::test {

std::string FakeToolkit::editText(EditBox box) { return edits[box]; }

void FakeToolkit::setEditText(EditBox box, std::string_view text) { edits[box] = std::string(text); }

int FakeToolkit::appendRow() {
  rows.push_back(Row{nextKey_++, {}, {}});
  return static_cast<int>(rows.size()) - 1;
}

void FakeToolkit::setCell(int row, int column, std::string_view text) {
  if (validRow(row) && column >= 0 && column < kListColumnCount) rows[row].cells[column] = std::string(text);
}

std::string FakeToolkit::cellText(int row, int column) {
  if (validRow(row) && column >= 0 && column < kListColumnCount) return rows[row].cells[column];
  return {};
}

void FakeToolkit::setRowToolTip(int row, std::string_view text) {
  if (validRow(row)) rows[row].toolTip = std::string(text);
}

int FakeToolkit::rowCount() { return static_cast<int>(rows.size()); }

void FakeToolkit::deleteAllRows() {
  rows.clear();
  selectedRow = -1;
}

RowKey FakeToolkit::rowKey(int row) { return validRow(row) ? rows[row].key : kNoRow; }

int FakeToolkit::rowOfKey(RowKey key) {
  for (int i = 0; i < rowCount(); ++i)
    if (rows[i].key == key) return i;
  return -1;
}

void FakeToolkit::selectRow(int row) {
  if (row >= 0 && validRow(row)) selectedRow = row;
}

void FakeToolkit::scrollRowIntoView(int row) {
  if (validRow(row)) scrolledRow = row;
}

void FakeToolkit::setCurrentRowProperty(int row) {
  if (row < 0) {
    selectedRow = -1;
  } else {
    selectRow(row);
  }
}

void FakeToolkit::focusList() {}

void FakeToolkit::setStatusText(int part, std::string_view text) {
  if (part >= 0 && part < 3) status[part] = std::string(text);
}

void FakeToolkit::setTimerPeriod(TimerId timer, int periodMs) { timerPeriods[timer] = periodMs < 0 ? 0 : periodMs; }

void FakeToolkit::messageBox(std::string_view text, int flags, std::optional<std::string_view> title) {
  messages.push_back({std::string(text), flags, title ? std::optional<std::string>(std::string(*title)) : std::nullopt});
  if (onMessageBox) onMessageBox();
}

void FakeToolkit::processPendingEvents() {
  pump();
  if (onProcessEvents) onProcessEvents();
}

void FakeToolkit::postToUiThread(std::function<void()> task) {
  {
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(task));
  }
  postedCv_.notify_all();
}

int FakeToolkit::pump() {
  int ran = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(postedMutex_);
      if (posted_.empty()) return ran;
      task = std::move(posted_.front());
      posted_.pop_front();
    }
    task();
    ++ran;
  }
}

bool FakeToolkit::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    pump();
    if (done()) return true;
    std::unique_lock lock(postedMutex_);
    if (!postedCv_.wait_until(lock, deadline, [this] { return !posted_.empty(); })) {
      lock.unlock();
      pump();
      return done();
    }
  }
}

}  // namespace sfx::test
