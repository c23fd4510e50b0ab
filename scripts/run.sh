#!/usr/bin/env bash
# Installs what is missing, builds the release tree, registers the component modules and
# generates the demo sound. With a display it starts the program Embrel; without one it
# embrels the demo sound with embrel-batch (default settings) into out/demo-embreled.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-release -j "$(nproc)"
mkdir -p out
build-release/tools/demo-sound/embrel-demo-sound out/demo.wav --seconds 8
echo "Input:  $(pwd)/out/demo.wav (8 s of generated music, 44.1 kHz 16-bit stereo)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # The program's faders are the Tarvel control, found through the registry.
  build-release/tools/regsvr/regsvr build-release/slider/TARVEL.OCX >/dev/null
  build-release/tools/regsvr/regsvr build-release/Embrel.ax >/dev/null
  echo "Starting Embrel. To embrel the demo sound: press the \"...\" button of Input and choose"
  echo "out/demo.wav, press the \"...\" button of Output and give a name (out/demoE.wav is"
  echo "proposed), then press the start button; answer Yes to \"Save Results?\" to keep the result."
  exec build-release/Embrel
fi

echo "No display (DISPLAY and WAYLAND_DISPLAY are not set): Embrel needs one, so the demo sound"
echo "is embreled with embrel-batch instead."
build-release/tools/embrel-batch/embrel-batch out/demo.wav out/demo-embreled.wav
echo "Result: $(pwd)/out/demo-embreled.wav"
