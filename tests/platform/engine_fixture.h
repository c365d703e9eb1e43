// What the engine's tests share: a fresh folder per test, a recorder that
// checks the order of the engine's calls for each task, and a fixture that
// runs tasks on a CurlDownload one after another.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>  // mkdtemp

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/curl_download.h"
#include "platform/encoding.h"

namespace sfx::test {

using Clock = std::chrono::steady_clock;

// Every wait of these tests ends; this long only when something is wrong.
inline constexpr std::chrono::milliseconds kWait{10000};

// A folder of its own for each test, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "engine-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Every entry, hidden ones included, sorted.
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

template <typename Predicate>
bool waitUntil(Predicate done, std::chrono::milliseconds limit = kWait) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Records what the engine reports for one task and checks, call by call,
// the order it promises: calls never overlap, all come from one thread that
// is not the caller's, code 3 at most once and before code 4, nothing after
// code 4.
class Recorder {
 public:
  struct Event {
    int code;  // kCodeMessage for the message routine
    std::int64_t value1;
    std::int64_t value2;
    std::string text;
  };
  static constexpr int kCodeMessage = -1;

  TaskParam param(const std::string& url, const std::string& target) {
    TaskParam param;
    param.taskFlags = kTaskFlagDownload;
    param.url = url;
    param.localFile = target;
    param.stateRoutine = [this](int code, int, std::int64_t value1, std::int64_t value2, int) {
      onCall({code, value1, value2, {}});
    };
    param.messageRoutine = [this](int, std::string_view, std::string_view message, int kind, int) {
      onCall({kCodeMessage, kind, 0, std::string(message)});
    };
    return param;
  }

  // Runs inside the code-4 call, before it returns.
  std::function<void()> duringEnd;

  bool waitEnded(std::chrono::milliseconds limit = kWait) { return waitFor([this] { return ended_; }, limit); }
  bool waitBegun() { return waitFor([this] { return find(kCodeBegun) != nullptr; }, kWait); }

  std::vector<Event> events() const {
    const std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<std::string> violations() const {
    const std::lock_guard lock(mutex_);
    return violations_;
  }
  std::optional<Event> event(int code) const {
    const std::lock_guard lock(mutex_);
    const Event* found = find(code);
    return found != nullptr ? std::optional<Event>(*found) : std::nullopt;
  }
  std::optional<TransferOutcome> outcome() const {
    const auto end = event(kCodeEnded);
    return end ? std::optional(static_cast<TransferOutcome>(end->value2)) : std::nullopt;
  }
  // The texts of the error messages, in order.
  std::vector<std::string> errors() const {
    std::vector<std::string> texts;
    for (const Event& e : events()) {
      if (e.code == kCodeMessage && e.value1 == kMessageError) texts.push_back(e.text);
    }
    return texts;
  }

 private:
  template <typename Predicate>
  bool waitFor(Predicate done, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, done);
  }
  const Event* find(int code) const {
    for (const Event& e : events_) {
      if (e.code == code) return &e;
    }
    return nullptr;
  }
  void violation(std::string what) { violations_.push_back(std::move(what)); }

  void onCall(Event event) {
    if (inCall_.exchange(true)) {
      const std::lock_guard lock(mutex_);
      violation("calls overlap");
    }
    {
      const std::lock_guard lock(mutex_);
      if (ended_) violation("a call after code 4");
      if (std::this_thread::get_id() == caller_) violation("a call on the caller's thread");
      if (!thread_) thread_ = std::this_thread::get_id();
      if (*thread_ != std::this_thread::get_id()) violation("calls from more than one thread");
      if (event.code == kCodeBegun && find(kCodeBegun) != nullptr) violation("code 3 twice");
      events_.push_back(event);
    }
    if (event.code == kCodeEnded && duringEnd) duringEnd();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));  // widens the window in which an overlap would show
    {
      const std::lock_guard lock(mutex_);
      if (event.code == kCodeEnded) ended_ = true;
    }
    inCall_ = false;
    changed_.notify_all();
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Event> events_;
  std::vector<std::string> violations_;
  std::optional<std::thread::id> thread_;
  const std::thread::id caller_ = std::this_thread::get_id();
  std::atomic<bool> inCall_{false};
  bool ended_ = false;
};

class Engine : public ::testing::Test {
 protected:
  void TearDown() override { stopAndCheckCalls(); }

  void stopAndCheckCalls() {
    engine.reset();  // joins the task's thread: every call has been made
    for (const auto& r : recorders_) {
      for (const std::string& v : r->violations()) ADD_FAILURE() << "order of calls: " << v;
    }
  }

  std::string target(const std::string& name) const { return programText(dir.file(name)); }

  // The recorder of the task about to start; it lives as long as the test.
  Recorder& nextRecorder() { return *recorders_.emplace_back(std::make_unique<Recorder>()); }
  Recorder& recorder() { return recorders_.empty() ? nextRecorder() : *recorders_.back(); }

  // Offers the task until the engine takes it: right after a code 4 the
  // object may still hold the task that sent it.
  AddTaskResult offer(const TaskParam& param) {
    AddTaskResult result = AddTaskResult::Busy;
    waitUntil([&] { return (result = engine->addTask(param)) != AddTaskResult::Busy; });
    return result;
  }

  // Runs one task to its end with a new recorder; false when it was not
  // taken or did not end.
  bool download(const std::string& url, const std::string& name,
                const std::function<void(TaskParam&)>& adjust = {}) {
    TaskParam param = nextRecorder().param(url, target(name));
    if (adjust) adjust(param);
    return offer(param) == AddTaskResult::Accepted && recorder().waitEnded();
  }

  // A failed task: code 4 says Failed, its one error message came just
  // before, and nothing is left in the folder.
  void expectFailedCleanly() {
    EXPECT_EQ(recorder().outcome(), TransferOutcome::Failed);
    const std::vector<Recorder::Event> events = recorder().events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2].code, Recorder::kCodeMessage) << "the reason comes just before code 4";
    EXPECT_EQ(recorder().errors().size(), 1u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
  }

  TempDir dir;
  std::vector<std::unique_ptr<Recorder>> recorders_;  // outlive the engine, which calls them
  std::unique_ptr<CurlDownload> engine = std::make_unique<CurlDownload>();
};

}  // namespace sfx::test
