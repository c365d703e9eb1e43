#include "queue/download_queue.h"

#include <utility>

namespace sfx {

void initDownloadQueue(AppState& state, std::unique_ptr<Download> emptyDownloader) {
  state.taskParam = std::make_unique<TaskParam>();
  state.downloader = std::move(emptyDownloader);
}

void releaseDownloadQueue(AppState& state) {
  state.taskParam.reset();
  // The engine's destructor stops a running task and waits for its thread.
  state.downloader.reset();
}

}  // namespace sfx
