// The download queue: runs the transfers of the listed rows one by one and
// shows their progress. Driven by the Download click and the two timers; the
// engine's reports arrive on its own thread and are applied on the
// user-interface thread through Toolkit::postToUiThread.
#pragma once

#include <memory>

#include "app/app_state.h"
#include "ui/toolkit.h"

namespace sfx {

class QueueController {
 public:
  QueueController(Toolkit& ui, AppState& state);
  ~QueueController();
  QueueController(const QueueController&) = delete;
  QueueController& operator=(const QueueController&) = delete;

  void onDownloadClick();   // 按钮_下载
  void onDispatchTick();    // 时钟_下载
  void onProgressTick();    // 时钟_下载进度

  // From here on, reports of the engine that are still on their way have no effect.
  void shutdown();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sfx
