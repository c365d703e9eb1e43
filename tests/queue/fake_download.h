// An engine that transfers nothing: it records the tasks it is given,
// answers addTask as the test scripts it, and sends a task's reports from a
// thread of its own, as the real engine does.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "queue/download.h"

namespace sfx::test {

class FakeDownload final : public Download {
 public:
  AddTaskResult addTask(const TaskParam& param) override {
    tasks.push_back(param);
    if (!scripted.empty()) {
      const AddTaskResult result = scripted.front();
      scripted.pop_front();
      return result;
    }
    return param.url.empty() ? AddTaskResult::UnusableUrl : AddTaskResult::Accepted;
  }
  std::int64_t takeSpeed() override { return std::exchange(speed, 0); }
  std::int64_t doneLength() override { return done; }
  std::string localFilePath() override { return path; }

  // Calls the last task's state routine on another thread and waits for it.
  void sendState(int code, std::int64_t value1 = 0, std::int64_t value2 = 0) {
    const TaskParam task = tasks.back();
    std::thread([&] { task.stateRoutine(code, 0, value1, value2, 1); }).join();
  }
  void sendMessage(std::string_view message, int kind) {
    const TaskParam task = tasks.back();
    std::thread([&] { task.messageRoutine(0, "12:00:00", message, kind, 1); }).join();
  }

  std::vector<TaskParam> tasks;          // every addTask call, accepted or not
  std::deque<AddTaskResult> scripted;    // answers for the next calls; then the default
  std::int64_t speed = 0;
  std::int64_t done = 0;
  std::string path;
};

}  // namespace sfx::test
