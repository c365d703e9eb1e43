#include "bench/queue_event_loop.h"

#include <algorithm>
#include <thread>

namespace sfx::bench {
namespace {

int recordedPeriod(const test::FakeToolkit& ui, TimerId timer) {
  const auto found = ui.timerPeriods.find(timer);
  return found != ui.timerPeriods.end() ? found->second : 0;
}

}  // namespace

void QueueEventLoop::followPeriods(Clock::time_point now) {
  for (auto [id, timer] : {std::pair{TimerId::Dispatch, &dispatch_}, std::pair{TimerId::Progress, &progress_}}) {
    const int period = recordedPeriod(ui_, id);
    if (period == timer->periodMs) continue;
    timer->periodMs = period;
    timer->next = now + std::chrono::milliseconds(period);
  }
}

bool QueueEventLoop::periodsChanged() {
  return recordedPeriod(ui_, TimerId::Dispatch) != dispatch_.periodMs ||
         recordedPeriod(ui_, TimerId::Progress) != progress_.periodMs;
}

LoopRun QueueEventLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  LoopRun run;
  const Clock::time_point deadline = Clock::now() + limit;
  // The next tick is one period after the one due, or one period from now
  // when the loop has fallen behind by more than a period.
  auto tick = [](Timer& timer, Clock::time_point now) {
    const auto period = std::chrono::milliseconds(timer.periodMs);
    timer.next += period;
    if (timer.next <= now) timer.next = now + period;
  };
  for (;;) {
    ui_.pump();
    if (done()) {
      run.done = true;
      return run;
    }
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return run;
    followPeriods(now);
    if (dispatch_.due(now)) {
      run.dispatchTicks.push_back({dispatch_.next, now});
      tick(dispatch_, now);
      controller_.onDispatchTick();
      continue;
    }
    if (progress_.due(now)) {
      tick(progress_, now);
      controller_.onProgressTick();
      ++run.progressTicks;
      continue;
    }
    Clock::time_point wake = deadline;
    if (dispatch_.periodMs > 0) wake = std::min(wake, dispatch_.next);
    if (progress_.periodMs > 0) wake = std::min(wake, progress_.next);
    // The toolkit's wait counts whole milliseconds: it covers those, waking
    // for each posted task; the rest of a millisecond is slept, so a posted
    // task waits at most that long, as it would for a busy event loop.
    const auto whole = std::chrono::floor<std::chrono::milliseconds>(wake - now);
    if (whole.count() > 0) {
      ui_.pumpUntil([&] { return done() || periodsChanged(); }, whole);
    } else {
      std::this_thread::sleep_until(wake);
    }
  }
}

}  // namespace sfx::bench
