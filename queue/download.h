// The download object: holds at most one task of the engine at a time.
// platform/curl_download.h implements it over libcurl.
#pragma once

#include <cstdint>
#include <string>

#include "queue/task_param.h"

namespace sfx {

enum class AddTaskResult {
  Accepted = 0,
  Busy,         // the object still holds a task (until its code 4 has returned)
  UnusableUrl,  // empty, no host, or a scheme the engine does not handle
};

[[nodiscard]] const char* toString(AddTaskResult result);

class Download {
 public:
  virtual ~Download() = default;  // stops a running task and waits for its thread

  // Copies the record and starts the transfer on a thread of its own.
  [[nodiscard]] virtual AddTaskResult addTask(const TaskParam& param) = 0;
  // Bytes received since the previous call; 0 without a task.
  virtual std::int64_t takeSpeed() = 0;
  // Bytes received so far by the current task; 0 without a task.
  virtual std::int64_t doneLength() = 0;
  // The file the current task is writing (program text); empty without a task.
  virtual std::string localFilePath() = 0;
};

}  // namespace sfx
