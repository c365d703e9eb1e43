#include "bench/queue_timed_download.h"

#include <utility>

namespace sfx::bench {

AddTaskResult TimedDownload::addTask(const TaskParam& param) {
  TaskParam timed = param;
  timed.stateRoutine = [inner = param.stateRoutine, &ui = ui_, times = times_](
                           int code, int connection, std::int64_t value1, std::int64_t value2, int task) {
    if (inner) inner(code, connection, value1, value2, task);
    // The queue's routine has just posted the task that applies this code 4;
    // posted tasks run in order, so this one runs right after it.
    if (code == kCodeEnded) {
      ui.postToUiThread([times] { times->endsApplied.push_back(TransferTimes::Clock::now()); });
    }
  };
  const AddTaskResult result = engine_->addTask(timed);
  if (result == AddTaskResult::Accepted) times_->starts.push_back(TransferTimes::Clock::now());
  if (result == AddTaskResult::Busy) ++times_->busyRefusals;
  return result;
}

}  // namespace sfx::bench
