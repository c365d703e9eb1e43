// The window operations that the handlers of the harvest, the queue and the
// frame rely on. The core (harvest and queue logic) sees the windows only
// through this interface, so it builds and is tested without Qt Widgets;
// ui/qt_toolkit.h implements it over the real windows.
//
// Every text crossing this interface is a program text (GB18030 bytes);
// conversion to and from the widgets' Unicode happens behind it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sfx {

// The edit boxes of MainWindow, by their layout names.
enum class EditBox {
  Link,            // 编辑框_链接
  PageVariable,    // 编辑框_页码变量
  StartPage,       // 编辑框_起始页码
  EndPage,         // 编辑框_终止页码
  PagePattern,     // 编辑框_页面正则
  PageNumberRule,  // 编辑框_页码正则 (shown, never read)
  CheckPeriod,     // 编辑框_检测周期
  SavePath,        // 编辑框_保存路径
};

enum class TimerId {
  Dispatch,  // 时钟_下载
  Progress,  // 时钟_下载进度
};

// Message-box flags: one OK button and one of these icons.
enum MessageIcon : int {
  kIconNone = 0,
  kIconError = 16,
  kIconWarning = 48,
  kIconInformation = 64,
};

// Columns of 超级列表框_解析列表.
enum ListColumn : int {
  kColumnId = 0,
  kColumnTitle = 1,
  kColumnUrl = 2,
  kColumnProgress = 3,
  kColumnRate = 4,
  kColumnState = 5,
};
inline constexpr int kListColumnCount = 6;

// Identity of a list row that survives appends but not deletion: rows are
// only ever appended or all deleted, so a key names one row for its whole
// life and never a later row that happens to get the same index.
using RowKey = std::uint64_t;
inline constexpr RowKey kNoRow = 0;

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  virtual std::string editText(EditBox box) = 0;
  // A write by the program raises no text-changed event.
  virtual void setEditText(EditBox box, std::string_view text) = 0;

  // Appends an empty row and returns its 0-based index (the row count before
  // the call), or -1 if no row could be added.
  virtual int appendRow() = 0;
  // Rows or columns that do not exist are ignored on write, empty on read.
  virtual void setCell(int row, int column, std::string_view text) = 0;
  virtual std::string cellText(int row, int column) = 0;
  virtual void setRowToolTip(int row, std::string_view text) = 0;
  virtual int rowCount() = 0;
  virtual void deleteAllRows() = 0;
  virtual RowKey rowKey(int row) = 0;         // kNoRow when the row does not exist
  virtual int rowOfKey(RowKey key) = 0;       // -1 once the row has been deleted
  // row >= 0: select and focus that row only, without scrolling; row < 0: nothing.
  virtual void selectRow(int row) = 0;
  virtual void scrollRowIntoView(int row) = 0;
  // Like selectRow for row >= 0; any negative row clears the selection.
  virtual void setCurrentRowProperty(int row) = 0;
  virtual void focusList() = 0;

  // part 0..2; any other part is ignored.
  virtual void setStatusText(int part, std::string_view text) = 0;

  // A period different from the current one stops the timer and, when > 0,
  // restarts it; the same period leaves a running timer alone; negative is 0.
  virtual void setTimerPeriod(TimerId timer, int periodMs) = 0;

  // Modal box with one OK button; without a title it reads "信息：".
  virtual void messageBox(std::string_view text, int flags,
                          std::optional<std::string_view> title = std::nullopt) = 0;

  // Dispatches the events already waiting and returns; never waits for more.
  virtual void processPendingEvents() = 0;

  // False once the user has closed MainWindow.
  virtual bool mainWindowOpen() = 0;

  // Runs `task` later on the user-interface thread. Safe to call from any thread.
  virtual void postToUiThread(std::function<void()> task) = 0;
};

}  // namespace sfx
