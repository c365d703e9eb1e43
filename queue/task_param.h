// The task record handed to the download engine, and the routines through
// which the engine reports back.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sfx {

// State codes delivered to the state routine.
enum TransferCode : int {
  kCodeQuestionFtp = 2,
  kCodeBegun = 3,          // value1 = total length in bytes, -1 when not announced
  kCodeEnded = 4,          // always the last call of a task; value2 = TransferOutcome
  kCodeConnectionStarted = 5,
  kCodeRangeBegun = 6,
  kCodeRangeTaken = 7,     // never sent for a one-connection task
  kCodeConnectionEvent = 8,
  kCodeConnectionEnded = 9,
  kCodeBytesReceived = 16,
  kCodeBytesSent = 17,
  kCodeQuestionExists = 18,
};

// What code 4 reports in value2.
enum class TransferOutcome : int {
  Completed = 0,
  Failed = 1,
  Stopped = 2,
};

// Kinds of message-routine calls.
enum MessageKind : int {
  kMessageInfo = 0,
  kMessageError = 1,  // the reason a task failed; sent just before its code 4
};

// (code, connection, value1, value2, task). Called on the task's own thread.
using StateRoutine =
    std::function<void(int code, int connection, std::int64_t value1, std::int64_t value2, int task)>;
// (connection, time stamp, message, kind, task). Called on the task's own thread.
using MessageRoutine = std::function<void(int connection, std::string_view timeStamp,
                                          std::string_view message, int kind, int task)>;

inline constexpr std::int32_t kTaskFlagDownload = 0x1000;

// Texts are program texts (GB18030); the engine converts them at its edge.
// The engine copies what it needs in addTask, so the record may change after.
struct TaskParam {
  std::int32_t taskFlags = 1;
  std::string url;
  std::string localFile;
  std::string ftpUser = "anonymous";
  std::string ftpPassword = "anonymous@abc.com";  // 17 characters, an anonymous-login address
  std::int32_t connectionCount = 1;
  std::int32_t speedLimit = 0;          // bytes per second, 0 = none
  std::int32_t connectTimeout = 20000;  // ms
  std::int32_t sendTimeout = 20000;     // ms
  std::int32_t receiveTimeout = 20000;  // ms without a byte received ends the transfer
  std::int32_t stopWait = 1000;         // ms a stop waits for the transfer to wind down
  std::int32_t receiveBlock = 20480;
  std::int32_t sendBlock = 1024;
  MessageRoutine messageRoutine;
  StateRoutine stateRoutine;
  std::string ftpRemotePath;
  std::int32_t ftpTransferType = 1;
  std::string binaryExtensions = ".exe|.rar|.zip|.gif|.jpg|.mp3|.rm";
  std::optional<std::string> proxyServer;
  std::optional<std::string> refererValue;
};

}  // namespace sfx
