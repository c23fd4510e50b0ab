#!/usr/bin/env bash
# Times the embrel element in a GStreamer file pipeline
#   filesrc ! wavparse ! audioconvert ! ELEMENT ! audioconvert ! wavenc ! filesink
# on a generated 10-minute 44.1 kHz 16-bit stereo WAV of music, with ELEMENT = embrel (its
# defaults: every stage on, dither on), identity (the pipeline's own cost) and Calf's
# Saturator through the lv2 element (left out, with a note, where it is not installed).
# Usage: bash bench/gst_pipeline_bench.sh [RUNS]   (default 5; prints medians and the goals)
# The release tree is build-release, or the directory named by CALYRIX_BUILD_DIR.
set -euo pipefail
runs=${1:-5}
source "$(dirname "$0")/common.sh"
bench_prepare gstembrel
# A registry of this run, so the user's own is left alone.
export GST_REGISTRY_1_0="$work/registry.bin" GST_PLUGIN_PATH="$PWD/$build/gstreamer"
gst-inspect-1.0 embrel >/dev/null

calf=calf-sourceforge-net-plugins-Saturator
jobs=(embrel identity)
if gst-inspect-1.0 "$calf" >/dev/null 2>&1; then
  jobs+=(calf)
else
  echo "Calf's Saturator is not available: install calf-plugins and gstreamer1.0-plugins-bad to compare with it."
fi
echo "input: $(du -h "$in" | cut -f1), 10 minutes, 44100 Hz, 16-bit stereo; $runs runs each"

element_of() {
  case $1 in
    embrel) echo embrel ;;
    identity) echo identity ;;
    calf) echo "$calf" ;;
  esac
}

declare -A wall cpu
run_job() {
  gst-launch-1.0 -q filesrc location="$in" ! wavparse ! audioconvert ! "$(element_of "$1")" \
    ! audioconvert ! wavenc ! filesink location="$work/$1.wav"
}
bench_rounds "$runs" "${jobs[@]}"

printf '%-28s %10s %10s\n' "median of $runs runs" "wall (s)" "CPU (s)"
for job in "${jobs[@]}"; do
  printf '%-28s %10s %10s\n' "$(element_of "$job")" "$(median "${wall[$job]}")" "$(median "${cpu[$job]}")"
done
e=$(median "${wall[embrel]}") i=$(median "${wall[identity]}")
ec=$(median "${cpu[embrel]}") ic=$(median "${cpu[identity]}")
awk -v e="$e" -v i="$i" -v ec="$ec" -v ic="$ic" 'BEGIN {
  printf "embrel adds %.3f s wall, %.3f s CPU to the identity pipeline (goal: below 0.3 s)\n", e - i, ec - ic
}'
if [[ " ${jobs[*]} " == *" calf "* ]]; then
  c=$(median "${wall[calf]}") cc=$(median "${cpu[calf]}")
  awk -v e="$e" -v i="$i" -v c="$c" -v ec="$ec" -v ic="$ic" -v cc="$cc" 'BEGIN {
    printf "Calf Saturator pipeline / embrel pipeline: %.2f wall, %.2f CPU (goal: at least 5)\n", c / e, cc / ec
    if (e - i > 0 && ec - ic > 0)
      printf "added to identity, Calf / embrel: %.1f wall, %.1f CPU\n", (c - i) / (e - i), (cc - ic) / (ec - ic)
  }'
fi
