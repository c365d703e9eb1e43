#include "queue/engine_link.h"

#include <functional>
#include <mutex>
#include <utility>

namespace sfx {

struct EngineLink::Shared {
  std::mutex mutex;
  Toolkit* ui = nullptr;               // null once closed
  TransferEvents* receiver = nullptr;  // null once closed
};

namespace {

// Anything but a clear completion or stop counts as a failure, so an engine
// that reports a value it should not never shows a broken file as done.
TransferOutcome outcomeOf(std::int64_t value) {
  if (value == static_cast<std::int64_t>(TransferOutcome::Completed)) return TransferOutcome::Completed;
  if (value == static_cast<std::int64_t>(TransferOutcome::Stopped)) return TransferOutcome::Stopped;
  return TransferOutcome::Failed;
}

}  // namespace

// Engine thread: posts `apply` to the user-interface thread, where it runs
// only if the link is still open by then.
void EngineLink::deliver(const std::weak_ptr<Shared>& weak, std::function<void(TransferEvents&)> apply) {
  const std::shared_ptr<Shared> shared = weak.lock();
  if (!shared) return;
  std::lock_guard lock(shared->mutex);
  if (shared->ui == nullptr) return;
  shared->ui->postToUiThread([weak, apply = std::move(apply)] {
    const std::shared_ptr<Shared> shared = weak.lock();
    if (!shared) return;
    TransferEvents* receiver = nullptr;
    {
      std::lock_guard lock(shared->mutex);
      receiver = shared->receiver;
    }
    if (receiver != nullptr) apply(*receiver);
  });
}

EngineLink::EngineLink(Toolkit& ui, TransferEvents& receiver) : shared_(std::make_shared<Shared>()) {
  shared_->ui = &ui;
  shared_->receiver = &receiver;
}

EngineLink::~EngineLink() { close(); }

void EngineLink::close() {
  std::lock_guard lock(shared_->mutex);
  shared_->ui = nullptr;
  shared_->receiver = nullptr;
}

StateRoutine EngineLink::stateRoutine() const {
  return [weak = std::weak_ptr<Shared>(shared_)](int code, int, std::int64_t value1, std::int64_t value2, int) {
    // Only these codes matter to the queue; the byte counts of codes 16 and
    // 17 come often and are not worth a trip to the other thread.
    switch (code) {
      case kCodeBegun:
        deliver(weak, [value1](TransferEvents& r) { r.onTransferBegun(value1); });
        return;
      case kCodeRangeTaken:
        deliver(weak, [](TransferEvents& r) { r.onRangeTaken(); });
        return;
      case kCodeEnded:
        deliver(weak, [outcome = outcomeOf(value2)](TransferEvents& r) { r.onTransferEnded(outcome); });
        return;
      default:
        return;
    }
  };
}

MessageRoutine EngineLink::messageRoutine() const {
  return [weak = std::weak_ptr<Shared>(shared_)](int, std::string_view, std::string_view message, int kind, int) {
    if (kind != kMessageError) return;
    deliver(weak, [reason = std::string(message)](TransferEvents& r) { r.onTransferFailure(reason); });
  };
}

}  // namespace sfx
