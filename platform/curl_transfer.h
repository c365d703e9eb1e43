// One transfer of the download engine, run to its end on the calling thread:
// libcurl's multi interface over one easy handle, so that a stop from
// another thread wakes the transfer at once instead of waiting for a
// callback. The data goes to a PartFile; the outcome is returned, never
// thrown.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/download_url.h"
#include "platform/transfer_control.h"
#include "queue/task_param.h"

namespace sfx {

// Why a transfer did not complete. The reason text says it for people.
enum class TransferError {
  Ok = 0,
  Stopped,         // stopped from outside
  BadText,         // a text of the task record is not valid GB18030
  Setup,           // libcurl refused its handles or an option
  Network,         // libcurl's error: refused, time-out, TLS, cut short, redirects
  HttpStatus,      // the final response was not 200 or 206
  ReceiveTimeout,  // nothing, or under 1 KiB, received in the task's receive time-out
  File,            // the file could not be made, written or named
};

[[nodiscard]] const char* toString(TransferError error);

struct TransferReport {
  TransferError error = TransferError::Ok;
  std::string reason;      // UTF-8, empty when the transfer completed
  std::int64_t bytes = 0;  // bytes received and written
  std::string filePath;    // UTF-8; the final file when completed
};

struct TransferContext {
  CURLSH* share = nullptr;   // connection cache and DNS shared by the object's tasks
  std::string caBundleFile;  // empty: the system's certificate store
};

// Called on the transfer's thread, outside libcurl's callbacks, once the
// final response is good and the file is in place: the total length in
// bytes, -1 when not announced.
using BegunRoutine = std::function<void(std::int64_t totalLength)>;

// Runs the transfer of `param` from `url`. Every libcurl handle it made is
// released before it returns, so the next task may use the share at once.
[[nodiscard]] TransferReport runTransfer(const TaskParam& param, const DownloadUrl& url,
                                         const TransferContext& context, TransferControl& control,
                                         const BegunRoutine& onBegun);

}  // namespace sfx
