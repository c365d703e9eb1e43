// The window's event loop as the queue sees it, for the queue benchmark:
// the controller's two timers tick at the periods it sets on the toolkit,
// and the tasks the engine posts run as they arrive, all on the calling
// thread.
//
// A timer behaves as the window's does: setting the period it already has
// leaves it running undisturbed, a new period restarts it, 0 stops it, and
// ticks missed while the thread was busy are not made up for.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "queue/queue_controller.h"
#include "tests/support/fake_toolkit.h"

namespace sfx::bench {

struct LoopRun {
  using Clock = std::chrono::steady_clock;
  // When a tick was due and when the loop got to run it: on a busy machine
  // the thread may wake well after the time it asked for.
  struct Tick {
    Clock::time_point due;
    Clock::time_point began;
  };
  bool done = false;  // false when the time limit came first
  std::vector<Tick> dispatchTicks;
  int progressTicks = 0;
};

class QueueEventLoop {
 public:
  QueueEventLoop(test::FakeToolkit& ui, QueueController& controller) : ui_(ui), controller_(controller) {}

  // Runs ticks and posted tasks until `done()` holds after one of them, or
  // until `limit` has passed.
  LoopRun runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

 private:
  using Clock = LoopRun::Clock;

  struct Timer {
    int periodMs = 0;  // 0: stopped
    Clock::time_point next;
    [[nodiscard]] bool due(Clock::time_point now) const { return periodMs > 0 && now >= next; }
  };

  // Takes up the periods the controller last set on the toolkit.
  void followPeriods(Clock::time_point now);
  [[nodiscard]] bool periodsChanged();

  test::FakeToolkit& ui_;
  QueueController& controller_;
  Timer dispatch_;
  Timer progress_;
};

}  // namespace sfx::bench
