#!/usr/bin/env bash
# Installs what is missing, builds the release tree, and runs the engine benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-release -j "$(nproc)"
build-release/bench/engine_bench --benchmark_counters_tabular=true
