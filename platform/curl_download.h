// The download engine over libcurl: one thread per task, events delivered on
// that thread in order with code 4 last. Schemes http, https (certificates
// verified) and ftp, in any letter case. The file is written under a
// temporary name beside the target and renamed to the target, or to the
// first free "name(1).ext", "name(2).ext", ... only once it is complete.
#pragma once

#include <memory>

#include "queue/download.h"

namespace sfx {

class CurlDownload final : public Download {
 public:
  CurlDownload();
  ~CurlDownload() override;
  CurlDownload(const CurlDownload&) = delete;
  CurlDownload& operator=(const CurlDownload&) = delete;

  [[nodiscard]] AddTaskResult addTask(const TaskParam& param) override;
  std::int64_t takeSpeed() override;
  std::int64_t doneLength() override;
  std::string localFilePath() override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sfx
