// What the queue controller's tests share: a fresh save folder, the
// in-memory windows, the state record, and the controller over an engine
// the test chooses.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/encoding.h"
#include "queue/download_queue.h"
#include "queue/queue_controller.h"
#include "tests/support/fake_toolkit.h"

namespace sfx::test {

using Cells = std::vector<std::string>;  // progress, rate, state

inline std::string P(std::string_view utf8) { return programText(utf8); }

inline std::string makeTempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "queue_test_XXXXXX").string();
  return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

class QueueFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = makeTempFolder();
    ASSERT_FALSE(folder.empty());
    state.savePath = folder + "/";
    ui.edits[EditBox::CheckPeriod] = "200";
  }

  void TearDown() override {
    stopQueue();
    std::filesystem::remove_all(folder);
  }

  // As at exit: the controller first, then the engine, which stops a running
  // task and waits for its thread.
  void stopQueue() {
    if (controller) controller->shutdown();
    releaseDownloadQueue(state);
    controller.reset();
  }

  void start(std::unique_ptr<Download> engine) {
    initDownloadQueue(state, std::move(engine));
    controller = std::make_unique<QueueController>(ui, state);
  }

  // As the harvest appends a row: the new row becomes the current row.
  int addRow(std::string_view title, std::string_view url) {
    const int row = ui.appendRow();
    ui.setCell(row, kColumnId, std::to_string(row + 1));
    ui.setCell(row, kColumnTitle, title);
    ui.setCell(row, kColumnUrl, url);
    state.currentRow = row;
    return row;
  }

  Cells cells(int row) {
    return {ui.cellText(row, kColumnProgress), ui.cellText(row, kColumnRate), ui.cellText(row, kColumnState)};
  }

  // -1 for a timer that was never set.
  int period(TimerId timer) { return ui.timerPeriods.count(timer) ? ui.timerPeriods[timer] : -1; }

  std::string folder;
  FakeToolkit ui;
  AppState state;
  std::unique_ptr<QueueController> controller;
};

}  // namespace sfx::test
