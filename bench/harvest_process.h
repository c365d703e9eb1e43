// Runs a command in a process of its own and times it, for the benchmark's
// reference pipeline and for the harvest measured in a separate process.
#pragma once

#include <string>
#include <vector>

namespace sfx::bench {

struct ProcessRun {
  bool started = false;
  int exitCode = -1;      // -1 when the process did not end normally
  std::string output;     // everything it wrote to standard output
  double seconds = 0.0;   // from the start of the process to its end
};

// argv[0] is looked up in PATH. Standard error is passed through.
[[nodiscard]] ProcessRun runProcess(const std::vector<std::string>& argv);

// The peak resident memory of the calling process since it was started, in
// KiB (VmHWM of /proc/self/status); -1 when it cannot be read. Unlike
// getrusage's ru_maxrss, it leaves out the memory of the parent that
// spawned it, which Linux carries over into the child's figure when the
// spawn shares the parent's memory until exec (posix_spawn does).
[[nodiscard]] long peakResidentKb();

}  // namespace sfx::bench
