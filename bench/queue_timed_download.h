// A Download that hands everything to the engine it wraps and notes, for the
// queue benchmark, when each transfer started (its addTask accepted) and
// when its end was applied on the user-interface thread, so the time the
// queue leaves between two transfers is measured from outside it.
#pragma once

#include <chrono>
#include <memory>
#include <vector>

#include "queue/download.h"
#include "ui/toolkit.h"

namespace sfx::bench {

// Written and read on the user-interface thread only.
struct TransferTimes {
  using Clock = std::chrono::steady_clock;
  std::vector<Clock::time_point> starts;       // in the order of the transfers
  std::vector<Clock::time_point> endsApplied;  // likewise
  // addTask calls refused while the engine still held the previous task.
  int busyRefusals = 0;
};

class TimedDownload final : public Download {
 public:
  // `ui` is the toolkit the queue posts the engine's reports through. The
  // times are shared, as tasks posted to `ui` may run after this object is gone.
  TimedDownload(std::unique_ptr<Download> engine, Toolkit& ui, std::shared_ptr<TransferTimes> times)
      : engine_(std::move(engine)), ui_(ui), times_(std::move(times)) {}

  [[nodiscard]] AddTaskResult addTask(const TaskParam& param) override;
  std::int64_t takeSpeed() override { return engine_->takeSpeed(); }
  std::int64_t doneLength() override { return engine_->doneLength(); }
  std::string localFilePath() override { return engine_->localFilePath(); }

 private:
  std::unique_ptr<Download> engine_;
  Toolkit& ui_;
  std::shared_ptr<TransferTimes> times_;
};

}  // namespace sfx::bench
