#!/usr/bin/env bash
# Times embrel-batch (default settings: every stage on, dither on) against sox's own
# saturation (overdrive, which adds sox's dither when writing 16 bits) and a plain sox
# copy, on a generated 10-minute 44.1 kHz stereo 16-bit WAV of music.
# Usage: bash bench/batch_vs_sox.sh [RUNS]   (default 5; prints medians and ratios)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}

bash scripts/deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-release --target embrel-batch embrel-demo-sound >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
in="$work/in.wav"
build-release/tools/demo-sound/embrel-demo-sound "$in" --seconds 600
echo "input: $(du -h "$in" | cut -f1), 10 minutes, 44100 Hz, 16-bit stereo; $runs runs each"

# Prints the median wall time in seconds of running "$@" $runs times.
median() {
  local times=()
  for ((i = 0; i < runs; i++)); do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf "%.3f", m }'
}

embrel=$(median env TMPDIR="$work" build-release/tools/embrel-batch/embrel-batch -q "$in" "$work/embrel.wav")
overdrive=$(median sox --single-threaded "$in" "$work/overdrive.wav" overdrive 10 10)
copy=$(median sox --single-threaded "$in" "$work/copy.wav")

printf '%-34s %8s s\n' "embrel-batch (defaults)" "$embrel"
printf '%-34s %8s s\n' "sox overdrive 10 10" "$overdrive"
printf '%-34s %8s s\n' "sox copy" "$copy"
awk -v e="$embrel" -v o="$overdrive" -v c="$copy" 'BEGIN {
  printf "ratio embrel-batch / sox overdrive: %.2f\n", e / o
  printf "ratio embrel-batch / sox copy:      %.2f\n", e / c
}'
