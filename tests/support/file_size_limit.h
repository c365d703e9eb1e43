// A disk that fills up, without root and without touching the test process:
// the check runs in a forked child whose files may not grow past a limit
// (RLIMIT_FSIZE), so a write past it fails with EFBIG as one on a full disk
// fails with ENOSPC.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace sfx::test {

// Runs `check` in a child process with the file-size limit `limitBytes`.
// Call it before the test starts any thread: a child forked from one thread
// of many may find a lock held for ever. The child's failed expectations are
// printed as usual; true when it ran `check` without one within `wait`.
inline bool passesWithFileSizeLimit(rlim_t limitBytes, const std::function<void()>& check,
                                    std::chrono::milliseconds wait) {
  std::fflush(nullptr);  // nothing buffered is printed twice
  const pid_t child = ::fork();
  if (child < 0) {
    ADD_FAILURE() << "fork failed";
    return false;
  }
  if (child == 0) {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = limitBytes;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ADD_FAILURE() << "the file-size limit could not be set";
    // Past the limit a write fails with EFBIG instead of ending the child.
    ::signal(SIGXFSZ, SIG_IGN);
    if (!::testing::Test::HasFailure()) check();
    std::fflush(nullptr);
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);  // no exit handlers of the test process
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      ADD_FAILURE() << "the child did not end within " << wait.count() << " ms";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace sfx::test
