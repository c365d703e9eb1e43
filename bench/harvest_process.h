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

}  // namespace sfx::bench
