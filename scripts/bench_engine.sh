#!/usr/bin/env bash
# Builds and runs the download engine's benchmark alone, in a Release build:
# one 256 MB file from 127.0.0.1 by the engine and by `curl -o`, then 300
# small files by the engine and by one `wget -i`. Prints the figures; exits
# non-zero when the throughput target is missed (1) or a run failed (2).
# scripts/bench.sh runs the same benchmark among the others.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
sfx_install_missing curl wget

build="${SFX_BENCH_BUILD:-$root/build/bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSFX_BUILD_BENCH=ON -DSFX_BUILD_TESTS=ON
cmake --build "$build" --target engine_bench
"$build/bench/engine_bench"
