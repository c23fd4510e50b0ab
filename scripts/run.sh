#!/usr/bin/env bash
# Installs what is missing, builds the release tree, generates the demo sound and
# embrels it with embrel-batch (default settings). The result is out/demo-embreled.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-release -j "$(nproc)"
mkdir -p out
build-release/tools/demo-sound/embrel-demo-sound out/demo.wav --seconds 8
build-release/tools/embrel-batch/embrel-batch out/demo.wav out/demo-embreled.wav
echo "Input:  $(pwd)/out/demo.wav (8 s of generated music, 44.1 kHz 16-bit stereo)"
echo "Result: $(pwd)/out/demo-embreled.wav"
