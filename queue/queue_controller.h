// The download queue: runs the transfers of the listed rows one by one and
// shows their progress. Driven by the Download click and the two timers; the
// engine's reports arrive on its own thread and are applied on the
// user-interface thread through Toolkit::postToUiThread.
//
// The list is the queue: AppState::currentNumber is the cursor into it and
// the engine (AppState::downloader) holds at most one transfer at a time.
// Every text of a transfer goes to the row it was started for, found again
// by its RowKey, whatever rows are appended or deleted meanwhile.
#pragma once

#include <memory>

#include "app/app_state.h"
#include "ui/toolkit.h"

namespace sfx {

class QueueController {
 public:
  // `state` must hold the task record and the engine (initDownloadQueue).
  QueueController(Toolkit& ui, AppState& state);
  ~QueueController();  // shuts down first
  QueueController(const QueueController&) = delete;
  QueueController& operator=(const QueueController&) = delete;

  void onDownloadClick();   // 按钮_下载
  void onDispatchTick();    // 时钟_下载
  void onProgressTick();    // 时钟_下载进度

  // From here on, reports of the engine that are still on their way have no
  // effect, and the engine's threads no longer reach the toolkit.
  void shutdown();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sfx
