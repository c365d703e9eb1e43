// Connects MainWindow's harvest and download events to their handlers: the
// parse and end-page clicks, the Download click and the queue's two timers.
#pragma once

#include "harvest/harvest_context.h"
#include "queue/queue_controller.h"

namespace sfx {

class Application;

class CoreHandlers {
 public:
  // `application` must be started (its windows, toolkit and task record exist)
  // and must outlive this object.
  CoreHandlers(Application& application, PageFetcher fetchPage);
  CoreHandlers(const CoreHandlers&) = delete;
  CoreHandlers& operator=(const CoreHandlers&) = delete;

  // The exit routine's first step for the queue: engine reports still on
  // their way have no effect from here on.
  void shutdown() { queue_.shutdown(); }

 private:
  HarvestContext harvest_;
  QueueController queue_;
};

}  // namespace sfx
