#include "queue/queue_controller.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/encoding.h"
#include "platform/file_system.h"
#include "queue/engine_link.h"
#include "queue/rate_text.h"
#include "queue/target_name.h"
#include "text/text_number.h"

namespace sfx {
namespace {

// takeSpeed counts the bytes since its previous call, so reading it once a
// second makes the rate column a rate per second.
constexpr int kProgressPeriodMs = 1000;

// Connect, send and receive time-out of every transfer: long enough for a
// slow server, short enough that a dead one holds the batch up only briefly.
constexpr std::int32_t kTransferTimeoutMs = 20000;

// One connection per file: the files are small and the site is not ours to strain.
constexpr std::int32_t kConnectionsPerTransfer = 1;

// The program's texts, converted once.
struct QueueTexts {
  std::string downloading = programText("下载");
  std::string completed = programText("完成");
  std::string failed = programText("失败");
  std::string paused = programText("暂停");
  std::string full = "100%";
  std::string none = "-";
  std::string notice = programText("提醒");
  std::string nothingToDownload = programText("当前没有选择可下载文件！");
  std::string batchDone = programText("列表文件下载完成！");
  std::string folderFailed = programText("无法创建保存目录：");
  std::string unusableUrl = programText("下载链接无法使用：链接为空、没有主机或协议不受支持");
};

}  // namespace

struct QueueController::Impl final : TransferEvents {
  // The transfer handed to the engine: from its accepted addTask until its
  // end has been applied. While there is one, no other transfer starts.
  struct Transfer {
    RowKey row = kNoRow;
    int batch = 0;
    bool lengthKnown = false;
    std::string failure;  // the engine's reason, when it gives one
  };

  Impl(Toolkit& ui, AppState& state) : ui(ui), state(state), link(ui, *this) {}

  void onDownloadClick();
  void onDispatchTick();
  void startNextTransfer();
  void onProgressTick();
  void showFailure(int row, std::string_view reason);

  void onTransferBegun(std::int64_t totalLength) override;
  void onRangeTaken() override;
  void onTransferFailure(std::string reason) override;
  void onTransferEnded(TransferOutcome outcome) override;

  Toolkit& ui;
  AppState& state;
  const QueueTexts texts;
  EngineLink link;
  int batch = 0;  // counts Download clicks, so a transfer knows the batch it belongs to
  std::optional<Transfer> transfer;
};

void QueueController::Impl::onDownloadClick() {
  // Folder paths are UTF-8 on this side; a save path that does not convert
  // gives the empty path, which cannot be created either.
  if (!createDirectories(gb18030ToUtf8(state.savePath).text)) {
    ui.messageBox(texts.folderFailed + state.savePath, kIconError);
    return;
  }
  state.totalCount = ui.rowCount();
  state.currentNumber = 1;
  state.readyForNext = true;
  ++batch;
  if (state.totalCount == 0) {
    ui.messageBox(texts.nothingToDownload, kIconWarning, texts.notice);
    return;
  }
  ui.setTimerPeriod(TimerId::Dispatch, std::max(0, textToInt(ui.editText(EditBox::CheckPeriod))));
}

void QueueController::Impl::onDispatchTick() {
  if (state.currentNumber > state.totalCount) {
    // Stopped before the box opens, so that the box opens once.
    ui.setTimerPeriod(TimerId::Dispatch, 0);
    ui.messageBox(texts.batchDone, kIconNone, texts.notice);
    return;
  }
  if (state.readyForNext && !transfer) startNextTransfer();
}

void QueueController::Impl::startNextTransfer() {
  const int row = state.currentNumber - 1;
  state.currentRow = row;
  state.currentTitle = ui.cellText(row, kColumnTitle);
  state.currentUrl = ui.cellText(row, kColumnUrl);
  TargetName target = targetNameFor(state.savePath, state.currentTitle, state.currentUrl);
  state.currentFileName = std::move(target.fileName);
  state.currentExtension = std::move(target.extension);

  TaskParam& param = *state.taskParam;
  param.localFile = std::move(target.targetPath);
  param.taskFlags = kTaskFlagDownload;
  param.url = state.currentUrl;
  param.connectionCount = kConnectionsPerTransfer;
  param.connectTimeout = kTransferTimeoutMs;
  param.sendTimeout = kTransferTimeoutMs;
  param.receiveTimeout = kTransferTimeoutMs;
  param.speedLimit = 0;
  param.messageRoutine = link.messageRoutine();
  param.stateRoutine = link.stateRoutine();

  switch (state.downloader->addTask(param)) {
    case AddTaskResult::Accepted:
      transfer = Transfer{ui.rowKey(row), batch, false, {}};
      break;
    case AddTaskResult::Busy:
      // The engine lets go of a task only after its end has been reported;
      // the next tick offers the row again.
      break;
    case AddTaskResult::UnusableUrl:
      // Offering it again would never succeed: mark it and go on.
      showFailure(row, texts.unusableUrl);
      ++state.currentNumber;
      break;
  }
  ui.focusList();
  ui.selectRow(row);
  ui.scrollRowIntoView(row);
}

void QueueController::Impl::onProgressTick() {
  if (!transfer || state.stateText != texts.downloading) return;
  state.speedText = rateText(state.downloader->takeSpeed());
  if (transfer->lengthKnown) {
    // The engine gives the file its full length before it reports the
    // start, so the size on disk is the length to come.
    const std::int64_t done = state.downloader->doneLength();
    const std::int64_t size = fileSize(gb18030ToUtf8(state.downloader->localFilePath()).text);
    state.percentText = percentageText(done, size);
  } else {
    state.percentText = texts.none;
  }
  const int row = ui.rowOfKey(transfer->row);
  if (row < 0) return;  // the row was deleted; the transfer still runs to its end
  ui.setCurrentRowProperty(row);
  ui.setCell(row, kColumnProgress, state.percentText);
  ui.setCell(row, kColumnRate, state.speedText);
  ui.setCell(row, kColumnState, state.stateText);
  ui.selectRow(row);
  ui.focusList();
}

// The percentage column keeps what it showed last: how far the transfer got.
void QueueController::Impl::showFailure(int row, std::string_view reason) {
  ui.setCell(row, kColumnRate, texts.none);
  ui.setCell(row, kColumnState, texts.failed);
  ui.setRowToolTip(row, reason);
}

void QueueController::Impl::onTransferBegun(std::int64_t totalLength) {
  if (!transfer) return;  // the engine reports only for the transfer it took
  ui.setTimerPeriod(TimerId::Progress, kProgressPeriodMs);
  state.stateText = texts.downloading;
  state.readyForNext = false;
  transfer->lengthKnown = totalLength >= 0;
}

// Another connection took over part of the file; the row keeps its texts.
void QueueController::Impl::onRangeTaken() {
  if (transfer) state.stateText = texts.paused;
}

void QueueController::Impl::onTransferFailure(std::string reason) {
  if (transfer) transfer->failure = std::move(reason);
}

void QueueController::Impl::onTransferEnded(TransferOutcome outcome) {
  if (!transfer) return;
  ui.setTimerPeriod(TimerId::Progress, 0);
  const int row = ui.rowOfKey(transfer->row);
  switch (outcome) {
    case TransferOutcome::Completed:
      state.stateText = texts.completed;
      ui.setCell(row, kColumnProgress, texts.full);
      ui.setCell(row, kColumnRate, texts.none);
      ui.setCell(row, kColumnState, state.stateText);
      ui.setRowToolTip(row, {});  // the reason of an earlier failure of this row no longer holds
      break;
    case TransferOutcome::Failed:
      state.stateText = texts.failed;
      showFailure(row, transfer->failure.empty() ? texts.failed : transfer->failure);
      break;
    case TransferOutcome::Stopped:
      break;
  }
  // A transfer of an earlier batch leaves the cursor of the current one alone.
  if (transfer->batch == batch) ++state.currentNumber;
  state.readyForNext = true;
  transfer.reset();
}

QueueController::QueueController(Toolkit& ui, AppState& state) : impl_(std::make_unique<Impl>(ui, state)) {}

QueueController::~QueueController() { shutdown(); }

void QueueController::onDownloadClick() { impl_->onDownloadClick(); }
void QueueController::onDispatchTick() { impl_->onDispatchTick(); }
void QueueController::onProgressTick() { impl_->onProgressTick(); }
void QueueController::shutdown() { impl_->link.close(); }

}  // namespace sfx
