#!/usr/bin/env bash
# Times embrel-batch (default settings: every stage on, dither on) against sox's own
# saturation (overdrive, which adds sox's dither when writing 16 bits) and a plain sox
# copy, on a generated 10-minute 44.1 kHz stereo 16-bit WAV of music.
# Usage: bash bench/batch_vs_sox.sh [RUNS]   (default 5; prints medians and ratios)
# The release tree is build-release, or the directory named by CALYRIX_BUILD_DIR.
set -euo pipefail
runs=${1:-5}
source "$(dirname "$0")/common.sh"
bench_prepare embrel-batch
echo "input: $(du -h "$in" | cut -f1), 10 minutes, 44100 Hz, 16-bit stereo; $runs runs each"

jobs=(embrel overdrive copy)
declare -A wall cpu
run_job() {
  case $1 in
    embrel) env TMPDIR="$work" "$build/tools/embrel-batch/embrel-batch" -q "$in" "$work/embrel.wav" ;;
    overdrive) sox --single-threaded "$in" "$work/overdrive.wav" overdrive 10 10 ;;
    copy) sox --single-threaded "$in" "$work/copy.wav" ;;
  esac
}
bench_rounds "$runs" "${jobs[@]}"

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
