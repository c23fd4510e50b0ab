#!/usr/bin/env bash
# Side by side, in one run:
#   1. 16 files of 1 minute, 44.1 kHz 16-bit stereo WAV: embrel-batch -j 2 -o DIR against
#      xargs -P 2 running sox ... overdrive 10 10 on the same files;
#   2. 10 minutes of 24-bit stereo FLAC in and out: embrel-batch against sox on the same file.
# Prints wall seconds, the ratio to sox and the peak memory (maximum resident set) of the
# largest single process of each job.
# Usage: bash bench/batch_files_vs_sox.sh [RUNS]   (default 3; medians)
# The release tree is build-release, or the directory named by CALYRIX_BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
build=${CALYRIX_BUILD_DIR:-build-release}

bash scripts/deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target embrel-batch embrel-demo-sound >/dev/null
batch="$build/tools/embrel-batch/embrel-batch"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in" "$work/embrel" "$work/sox"
"$build/tools/demo-sound/embrel-demo-sound" "$work/one.wav" --seconds 60
for i in $(seq -w 1 16); do cp "$work/one.wav" "$work/in/take$i.wav"; done
"$build/tools/demo-sound/embrel-demo-sound" "$work/long.wav" --seconds 600
sox "$work/long.wav" -b 24 "$work/long.flac"
rm "$work/long.wav"

# Runs a command under GNU time; prints "wall maxKiB" (time's figures are per process: for
# xargs they are of its largest child).
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1
  cat "$work/time"
}
many_embrel() { env TMPDIR="$work" "$batch" -q -j 2 -o "$work/embrel" "$work"/in/*.wav; }
many_sox() {
  printf '%s\n' "$work"/in/*.wav | xargs -P 2 -I{} sh -c \
    'exec /usr/bin/time -a -f "%M" -o "$0/sox-mem" sox --single-threaded "$1" "$0/sox/$(basename "$1")" overdrive 10 10' \
    "$work" {}
}
flac_embrel() { env TMPDIR="$work" "$batch" -q "$work/long.flac" "$work/out-embrel.flac"; }
flac_sox() { sox --single-threaded "$work/long.flac" -b 24 "$work/out-sox.flac" overdrive 10 10; }

median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

declare -A wall mem
for ((r = 0; r < runs; r++)); do
  for job in many_embrel many_sox flac_embrel flac_sox; do
    rm -f "$work/sox-mem"
    read -r w m <<<"$(measure bash -c "$(declare -f "$job"); batch='$batch' work='$work' $job")"
    [ "$job" = many_sox ] && m=$(sort -n "$work/sox-mem" | tail -1)
    wall[$job]+="$w "
    mem[$job]+="$m "
  done
done

report() {
  local w m
  w=$(median ${wall[$2]})
  m=$(median ${mem[$2]})
  printf '%-44s %8.2f s %8.1f MiB\n' "$1" "$w" "$(awk -v k="$m" 'BEGIN { print k / 1024 }')"
}
echo "median of $runs runs on $(nproc) cores              wall      peak memory per process"
report "16 x 1 min WAV: embrel-batch -j 2" many_embrel
report "16 x 1 min WAV: xargs -P 2 sox overdrive" many_sox
report "10 min 24-bit FLAC: embrel-batch" flac_embrel
report "10 min 24-bit FLAC: sox overdrive" flac_sox
awk -v a="$(median ${wall[many_embrel]})" -v b="$(median ${wall[many_sox]})" \
    -v c="$(median ${wall[flac_embrel]})" -v d="$(median ${wall[flac_sox]})" 'BEGIN {
  printf "ratio to sox: %.2f (16 files), %.2f (FLAC)\n", a / b, c / d
}'
