#!/usr/bin/env bash
# Builds the benchmarks in a Release build and runs each of them; they print
# their figures and exit non-zero when a target is missed. The reference
# pipeline of the harvest benchmark needs curl and pcre2grep (pcre2-utils),
# which are installed with the other packages when missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
sfx_install_missing curl pcre2-utils

build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSFX_BUILD_BENCH=ON -DSFX_BUILD_TESTS=ON
# Only what the benchmarks need, not the test executables.
cmake --build "$build" --target bench/all

status=0
for bench in "$build"/bench/*; do
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench" || { echo "-- $(basename "$bench") exited with status $?"; status=1; }
done
exit $status
