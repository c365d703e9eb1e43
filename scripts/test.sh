#!/usr/bin/env bash
# Installs what is missing, builds every test and runs them all headless:
# a plain build, then AddressSanitizer + UndefinedBehaviorSanitizer, then
# ThreadSanitizer, then each fuzz target for 15 s. Any failure, finding or
# sanitizer report fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
sfx_install_missing

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# run_suite NAME CMAKE_ARGS...: configures build/NAME, builds it and runs its tests.
run_suite() {
  local name=$1
  shift
  local build="$root/build/$name"
  echo "==== $name"
  cmake -S "$root" -B "$build" -G Ninja "$@"
  cmake --build "$build" -j "$jobs"
  ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 900
}

run_suite test -DCMAKE_BUILD_TYPE=Debug

ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:strict_string_checks=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  run_suite asan -DCMAKE_BUILD_TYPE=Debug -DSFX_SANITIZE=address

TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp" \
  run_suite tsan -DCMAKE_BUILD_TYPE=Debug -DSFX_SANITIZE=thread

echo "==== fuzz"
bash "$root/scripts/fuzz.sh"
