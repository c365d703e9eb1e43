#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang, ASan and UBSan, and
# runs each over a temporary copy of its seed corpus, so the repository is
# never written to. Fails on any finding and prints the input that caused it.
#
#   SFX_FUZZ_SECONDS    time per target (default 15); 0 runs the seeds only
#   SFX_FUZZ_BUILD_DIR  build directory (default build/fuzz)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
sfx_install_missing clang libclang-rt-14-dev

seconds=${SFX_FUZZ_SECONDS:-15}
if ! [[ $seconds =~ ^[0-9]+$ ]]; then
  echo "SFX_FUZZ_SECONDS must be a whole number of seconds, not '$seconds'" >&2
  exit 2
fi
# libFuzzer reads a total time of 0 as no limit; no new inputs at all is meant.
if [ "$seconds" -eq 0 ]; then
  limit=(-runs=0) span="seeds only"
else
  limit=(-max_total_time="$seconds") span="${seconds}s"
fi
build=${SFX_FUZZ_BUILD_DIR:-$root/build/fuzz}
# A single input that runs this long is a hang: the regex match limit must end
# even a catastrophic pattern far sooner.
input_timeout=10
# libFuzzer's own default; an input that needs more memory is a finding.
rss_limit_mb=2048

targets=()
for source in "$root"/tests/fuzz/*_fuzz.cpp; do
  targets+=("$(basename "$source" .cpp)")
done

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSFX_FUZZ=ON -DSFX_BUILD_UI=OFF -DSFX_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts="$build/fuzz-findings"
mkdir -p "$artifacts"

failed=0
for target in "${targets[@]}"; do
  corpus="$work/$target"
  cp -r "$root/tests/fuzz/corpus/$target" "$corpus"
  log="$build/$target.log"
  echo "== $target: $span"
  if "$build/tests/fuzz/$target" "$corpus" "${limit[@]}" -timeout="$input_timeout" \
      -rss_limit_mb="$rss_limit_mb" -artifact_prefix="$artifacts/$target-" -print_final_stats=1 \
      >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "   ${runs:-?} inputs, no finding"
  else
    failed=1
    tail -n 40 "$log"
    echo "FINDING in $target; full log: $log"
    sed -n 's/^.*Test unit written to /input: /p' "$log"
  fi
done
exit "$failed"
