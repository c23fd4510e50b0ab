#!/usr/bin/env bash
# Times embrel-batch (default settings: every stage on, dither on) against sox's own
# saturation (overdrive, which adds sox's dither when writing 16 bits) and a plain sox
# copy, on a generated 10-minute 44.1 kHz stereo 16-bit WAV of music.
# Usage: bash bench/batch_vs_sox.sh [RUNS]   (default 5; prints medians and ratios)
# The release tree is build-release, or the directory named by CALYRIX_BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
build=${CALYRIX_BUILD_DIR:-build-release}

bash scripts/deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target embrel-batch embrel-demo-sound >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
in="$work/in.wav"
"$build/tools/demo-sound/embrel-demo-sound" "$in" --seconds 600
echo "input: $(du -h "$in" | cut -f1), 10 minutes, 44100 Hz, 16-bit stereo; $runs runs each"

# Runs the three jobs in turn, RUNS rounds, so that load from elsewhere falls on all of them
# alike; records wall and CPU (user + system) seconds of each run.
jobs=(embrel overdrive copy)
declare -A wall cpu
run_job() {
  case $1 in
    embrel) env TMPDIR="$work" "$build/tools/embrel-batch/embrel-batch" -q "$in" "$work/embrel.wav" ;;
    overdrive) sox --single-threaded "$in" "$work/overdrive.wav" overdrive 10 10 ;;
    copy) sox --single-threaded "$in" "$work/copy.wav" ;;
  esac
}
TIMEFORMAT='%R %U %S'
for ((i = 0; i < runs; i++)); do
  for job in "${jobs[@]}"; do
    t=$({ time run_job "$job" >/dev/null 2>&1; } 2>&1)
    read -r r u s <<<"$t"
    wall[$job]+="$r "
    cpu[$job]+="$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.3f", u + s }') "
  done
done

median() {
  printf '%s\n' $1 | sort -g | awk '{ a[NR] = $1 } END { m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf "%.3f", m }'
}

printf '%-26s %10s %10s\n' "median of $runs runs" "wall (s)" "CPU (s)"
for job in "${jobs[@]}"; do
  case $job in
    embrel) label="embrel-batch (defaults)" ;;
    overdrive) label="sox overdrive 10 10" ;;
    copy) label="sox copy" ;;
  esac
  printf '%-26s %10s %10s\n' "$label" "$(median "${wall[$job]}")" "$(median "${cpu[$job]}")"
done
awk -v e="$(median "${wall[embrel]}")" -v o="$(median "${wall[overdrive]}")" -v c="$(median "${wall[copy]}")" \
    -v ec="$(median "${cpu[embrel]}")" -v oc="$(median "${cpu[overdrive]}")" 'BEGIN {
  printf "ratio embrel-batch / sox overdrive: %.2f wall, %.2f CPU\n", e / o, ec / oc
  printf "ratio embrel-batch / sox copy:      %.2f wall\n", e / c
}'
