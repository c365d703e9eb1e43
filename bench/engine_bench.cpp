// The download engine against `curl -o`, both fetching the same 256 MB file
// from a server on 127.0.0.1 in this process into the same folder; then 300
// small files, the engine one task after another against one `wget -i`.
// Each side runs a few times, alternating, and keeps its best time, as the
// machine is shared and noisy. Every file written is checked byte for byte.
//
// Exit status: 0 when every target is met, 1 when one is missed, 2 when a
// measurement could not be made or a file came out wrong.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/harvest_process.h"
#include "platform/curl_download.h"
#include "platform/encoding.h"
#include "tests/support/loopback_server.h"

namespace sfx::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kBigFileBytes = std::size_t{256} << 20;
// The big file repeats one block, so the server needs no 256 MB of memory.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
constexpr int kSmallFiles = 300;
constexpr std::size_t kSmallFileBytes = 20 * 1024;  // a short sound effect
constexpr int kRuns = 3;
// Target: the engine's throughput at least 90% of curl's on one big file.
constexpr double kMinThroughputRatio = 0.9;
// No run of this benchmark takes this long unless something hangs.
constexpr auto kTaskLimit = std::chrono::seconds(120);

std::string block(std::size_t size, unsigned seed) {
  std::string data(size, '\0');
  std::uint32_t x = seed;
  for (char& c : data) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  return data;
}

// True when the file holds `length` bytes of `pattern` repeated.
bool holdsPattern(const std::filesystem::path& path, const std::string& pattern, std::size_t length) {
  std::error_code ec;
  if (std::filesystem::file_size(path, ec) != length || ec) return false;
  std::ifstream in(path, std::ios::binary);
  std::string buffer(pattern.size(), '\0');
  for (std::size_t done = 0; done < length;) {
    const std::size_t piece = std::min(pattern.size(), length - done);
    if (!in.read(buffer.data(), static_cast<std::streamsize>(piece))) return false;
    if (std::memcmp(buffer.data(), pattern.data(), piece) != 0) return false;
    done += piece;
  }
  return true;
}

// Runs one engine task to its end; true when it completed.
bool engineDownload(CurlDownload& engine, const std::string& url, const std::filesystem::path& target) {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  bool completed = false;
  TaskParam param;
  param.taskFlags = kTaskFlagDownload;
  param.url = url;
  param.localFile = utf8ToGb18030(target.string()).text;
  param.stateRoutine = [&](int code, int, std::int64_t, std::int64_t outcome, int) {
    if (code != kCodeEnded) return;
    const std::lock_guard lock(mutex);
    done = true;
    completed = static_cast<TransferOutcome>(outcome) == TransferOutcome::Completed;
    ended.notify_all();
  };
  param.messageRoutine = [](int, std::string_view, std::string_view message, int, int) {
    std::fprintf(stderr, "engine: %.*s\n", static_cast<int>(message.size()), message.data());
  };
  // Right after a code 4 the object may still hold the task that sent it.
  const auto deadline = Clock::now() + kTaskLimit;
  AddTaskResult added;
  while ((added = engine.addTask(param)) == AddTaskResult::Busy && Clock::now() < deadline) {
    std::this_thread::yield();
  }
  if (added != AddTaskResult::Accepted) return false;
  std::unique_lock lock(mutex);
  return ended.wait_until(lock, deadline, [&] { return done; }) && completed;
}

double seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct Best {
  double engine = std::numeric_limits<double>::infinity();
  double reference = std::numeric_limits<double>::infinity();
};

// Alternates the two sides kRuns times; false when a run failed.
bool measure(Best& best, const std::function<bool(double&)>& engineRun,
             const std::function<bool(double&)>& referenceRun) {
  for (int run = 0; run < kRuns; ++run) {
    double t = 0;
    if (!engineRun(t)) return false;
    best.engine = std::min(best.engine, t);
    if (!referenceRun(t)) return false;
    best.reference = std::min(best.reference, t);
  }
  return true;
}

int runBenchmark() {
  const std::string pattern = block(kBlockBytes, 7);
  const std::string small = block(kSmallFileBytes, 11);
  test::LoopbackServer server;
  // Headers and body go out in separate writes; without this each small
  // file would wait for a delayed acknowledgement on either side.
  server.http().set_tcp_nodelay(true);
  server.http().Get("/big.bin", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(kBigFileBytes, "application/octet-stream",
                             [&](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                               const std::size_t at = offset % pattern.size();
                               const std::size_t piece = std::min(length, pattern.size() - at);
                               return sink.write(pattern.data() + at, piece);
                             });
  });
  server.http().Get(R"(/small/\d+\.wav)", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(small, "audio/wav");
  });
  server.start();

  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "sfx-engine-bench";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  CurlDownload engine;

  // One big file.
  const std::string bigUrl = server.url("/big.bin");
  const std::filesystem::path bigTarget = folder / "big.bin";
  Best big;
  const bool bigOk = measure(
      big,
      [&](double& t) {
        const auto start = Clock::now();
        bool ok = engineDownload(engine, bigUrl, bigTarget);
        t = seconds(start);
        ok &= holdsPattern(bigTarget, pattern, kBigFileBytes);
        std::filesystem::remove(bigTarget);
        return ok;
      },
      [&](double& t) {
        const ProcessRun run = runProcess({"curl", "-s", "--noproxy", "*", "-o", bigTarget.string(), bigUrl});
        t = run.seconds;
        const bool ok = run.exitCode == 0 && holdsPattern(bigTarget, pattern, kBigFileBytes);
        std::filesystem::remove(bigTarget);
        return ok;
      });

  // Many small files: one task each, against one wget for the whole list.
  const std::filesystem::path smallFolder = folder / "small";
  const std::filesystem::path list = folder / "list.txt";
  {
    std::ofstream out(list);
    for (int i = 0; i < kSmallFiles; ++i) out << server.url("/small/" + std::to_string(i) + ".wav") << '\n';
  }
  auto smallFilesOk = [&] {
    for (int i = 0; i < kSmallFiles; ++i) {
      if (!holdsPattern(smallFolder / (std::to_string(i) + ".wav"), small, small.size())) return false;
    }
    return true;
  };
  Best many;
  const bool manyOk = measure(
      many,
      [&](double& t) {
        std::filesystem::create_directories(smallFolder);
        const auto start = Clock::now();
        bool ok = true;
        for (int i = 0; i < kSmallFiles && ok; ++i) {
          const std::string name = std::to_string(i) + ".wav";
          ok = engineDownload(engine, server.url("/small/" + name), smallFolder / name);
        }
        t = seconds(start);
        ok &= smallFilesOk();
        std::filesystem::remove_all(smallFolder);
        return ok;
      },
      [&](double& t) {
        const ProcessRun run = runProcess({"wget", "-q", "--no-proxy", "-P", smallFolder.string(), "-i", list.string()});
        t = run.seconds;
        const bool ok = run.exitCode == 0 && smallFilesOk();
        std::filesystem::remove_all(smallFolder);
        return ok;
      });
  std::filesystem::remove_all(folder);

  if (!bigOk || !manyOk) {
    std::printf("engine_bench: a run failed or wrote a wrong file\n");
    return 2;
  }
  const double mb = static_cast<double>(kBigFileBytes) / (1 << 20);
  const double ratio = big.reference / big.engine;
  std::printf("BigFile_Engine     %8.3f s  %8.1f MB/s\n", big.engine, mb / big.engine);
  std::printf("BigFile_CurlTool   %8.3f s  %8.1f MB/s\n", big.reference, mb / big.reference);
  std::printf("  engine throughput / curl's: %.3f (target >= %.2f)\n", ratio, kMinThroughputRatio);
  std::printf("SmallFiles_Engine  %8.3f s  %8.1f files/s\n", many.engine, kSmallFiles / many.engine);
  std::printf("SmallFiles_Wget    %8.3f s  %8.1f files/s\n", many.reference, kSmallFiles / many.reference);
  std::printf("  engine time / wget's: %.3f\n", many.engine / many.reference);
  return ratio >= kMinThroughputRatio ? 0 : 1;
}

}  // namespace
}  // namespace sfx::bench

int main() { return sfx::bench::runBenchmark(); }
