// The download engine over libcurl: one thread per task, events delivered on
// that thread in order with code 4 last. Schemes http, https (certificates
// verified) and ftp, in any letter case. The file is written under a
// temporary name beside the target and renamed to the target, or to the
// first free "name(1).ext", "name(2).ext", ... only once it is complete.
// Successive tasks reuse the connections of the ones before them.
#pragma once

#include <memory>
#include <string>

#include "queue/download.h"

namespace sfx {

struct EngineOptions {
  // A PEM file of certificates trusted instead of the system's store, so
  // tests can reach a server with a self-signed certificate. Empty: the
  // system's store. Nothing else relaxes certificate checks.
  std::string caBundleFile;
};

class CurlDownload final : public Download {
 public:
  explicit CurlDownload(EngineOptions options = {});
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
