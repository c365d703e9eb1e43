#include "platform/transfer_control.h"

#include <utility>

namespace sfx {

void TransferControl::requestStop() {
  stop_.store(true, std::memory_order_release);
  const std::lock_guard lock(mutex_);
  if (multi_ != nullptr) curl_multi_wakeup(multi_);
}

void TransferControl::attach(CURLM* multi) {
  const std::lock_guard lock(mutex_);
  multi_ = multi;
}

void TransferControl::detach() {
  const std::lock_guard lock(mutex_);
  multi_ = nullptr;
}

void TransferControl::addBytes(std::int64_t count) {
  done_.fetch_add(count, std::memory_order_relaxed);
  sinceTake_.fetch_add(count, std::memory_order_relaxed);
}

void TransferControl::setFilePath(std::string path) {
  const std::lock_guard lock(mutex_);
  filePath_ = std::move(path);
}

std::string TransferControl::filePath() const {
  const std::lock_guard lock(mutex_);
  return filePath_;
}

}  // namespace sfx
