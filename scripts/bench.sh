#!/usr/bin/env bash
# Builds the benchmarks in a Release build and runs them; each prints its
# figures and exits non-zero when a target is missed or a run failed.
#
#   scripts/bench.sh              every benchmark, one after another
#   scripts/bench.sh queue_bench  that benchmark alone
#
# The programs they compare against (curl, wget, and pcre2grep from
# pcre2-utils) are installed with the other packages when missing.
# SFX_BENCH_BUILD names another build folder.
# Exit status: 0 when every benchmark met its targets, 1 when one missed a
# target or could not measure, 2 when the name given is not a benchmark.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"

build="${SFX_BENCH_BUILD:-$root/build/bench}"
only="${1:-}"
if [ -n "$only" ] && [[ ! "$only" =~ ^[a-z_]+_bench$ ]]; then
  echo "usage: $0 [name_bench]" >&2
  exit 2
fi

sfx_install_missing curl wget pcre2-utils
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSFX_BUILD_BENCH=ON -DSFX_BUILD_TESTS=ON
if [ -n "$only" ]; then
  cmake --build "$build" --target "$only" || { echo "no benchmark named $only" >&2; exit 2; }
  benches=("$build/bench/$only")
else
  # Only what the benchmarks need, not the test executables.
  cmake --build "$build" --target bench/all
  benches=("$build"/bench/*_bench)
fi

status=0
for bench in "${benches[@]}"; do
  name=$(basename "$bench")
  echo "== $name"
  rc=0
  "$bench" || rc=$?
  if [ $rc -ne 0 ]; then
    echo "-- $name exited with status $rc"
    status=1
  fi
done
exit $status
