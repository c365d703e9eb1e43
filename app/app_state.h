// The one program-wide state record, shared by the handlers of the frame,
// the harvest and the download queue. Used on the user-interface thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "queue/download.h"
#include "queue/task_param.h"

namespace sfx {

struct AppState {
  std::string savePath;              // the save folder, kept equal to 编辑框_保存路径
  std::int32_t currentNumber = 0;    // 1-based row of the batch being fetched or next
  std::int32_t totalCount = 0;       // rows in the batch, fixed by the Download click
  bool readyForNext = false;         // the dispatch tick may start a transfer
  std::int32_t currentRow = 0;       // last row appended, or the row of the running transfer
  std::string currentTitle;
  std::string currentUrl;
  std::string currentFileName;
  std::string currentExtension;
  std::unique_ptr<TaskParam> taskParam;  // made by initDownloadQueue
  std::unique_ptr<Download> downloader;  // made empty by initDownloadQueue
  std::string stateText;             // "下载", "完成", "暂停" or "失败"
  std::string speedText;
  std::string percentText;
};

}  // namespace sfx
