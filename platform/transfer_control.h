// What the download object and its task's thread share while a transfer
// runs: the stop request, the byte counters and the file's path.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace sfx {

class TransferControl {
 public:
  // Any thread: ends the transfer as Stopped at its next wake-up, which
  // this causes at once.
  void requestStop();
  [[nodiscard]] bool stopRequested() const { return stop_.load(std::memory_order_acquire); }

  // The transfer's thread: the multi handle that requestStop() wakes.
  void attach(CURLM* multi);
  void detach();

  void addBytes(std::int64_t count);
  std::int64_t takeSpeed() { return sinceTake_.exchange(0, std::memory_order_relaxed); }
  [[nodiscard]] std::int64_t doneLength() const { return done_.load(std::memory_order_relaxed); }

  void setFilePath(std::string path);
  [[nodiscard]] std::string filePath() const;

 private:
  std::atomic<bool> stop_{false};
  std::atomic<std::int64_t> done_{0};
  std::atomic<std::int64_t> sinceTake_{0};
  mutable std::mutex mutex_;  // guards multi_ against clean-up during a wake-up, and filePath_
  CURLM* multi_ = nullptr;
  std::string filePath_;
};

}  // namespace sfx
