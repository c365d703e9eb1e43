// Hands the download engine's reports over to the user-interface thread.
//
// The engine calls its routines on a thread of its own; each report the
// queue uses becomes one task posted to the user-interface thread, so the
// reports of a transfer are applied whole and in the order they were sent.
// The routines hold the link weakly: once it is closed (or destroyed) a
// report still on its way, or sent later by a task that is winding down,
// reaches neither the toolkit nor the receiver.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "queue/task_param.h"
#include "ui/toolkit.h"

namespace sfx {

// What the queue does with the engine's reports; called on the user-interface thread.
class TransferEvents {
 public:
  virtual ~TransferEvents() = default;
  virtual void onTransferBegun(std::int64_t totalLength) = 0;  // -1 when not announced
  virtual void onRangeTaken() = 0;
  virtual void onTransferFailure(std::string reason) = 0;  // program text; comes before the end
  virtual void onTransferEnded(TransferOutcome outcome) = 0;
};

class EngineLink {
 public:
  EngineLink(Toolkit& ui, TransferEvents& receiver);
  ~EngineLink();  // closes
  EngineLink(const EngineLink&) = delete;
  EngineLink& operator=(const EngineLink&) = delete;

  // The routines to put into a TaskParam; safe to call on any thread.
  [[nodiscard]] StateRoutine stateRoutine() const;
  [[nodiscard]] MessageRoutine messageRoutine() const;

  // Call on the user-interface thread. Reports not yet applied are dropped.
  void close();

 private:
  struct Shared;
  static void deliver(const std::weak_ptr<Shared>& weak, std::function<void(TransferEvents&)> apply);
  std::shared_ptr<Shared> shared_;
};

}  // namespace sfx
