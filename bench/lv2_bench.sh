#!/usr/bin/env bash
# Times the LV2 plug-in (calyrix.lv2, stereo variant) against Calf's Saturator in the same
# hosts, on a generated 10-minute 44.1 kHz 16-bit stereo WAV of music:
#   - GStreamer's lv2 element in  filesrc ! wavparse ! audioconvert ! ELEMENT ! audioconvert !
#     wavenc ! filesink,  with a float identity pipeline as the cost of the pipeline itself
#     (both plug-ins take 32-bit floats, so their pipelines convert the same way);
#   - lilv's lv2bench: the plug-in's run alone, 26,460,000 frames (10 minutes) in blocks of
#     4096, on the silent buffers lv2bench provides.
# Both plug-ins run at their defaults (for calyrix.lv2: every stage on, dither on, 16 bits).
# Usage: bash bench/lv2_bench.sh [RUNS]   (default 5; prints medians and the ratios)
# The release tree is build-release, or the directory named by CALYRIX_BUILD_DIR.
set -euo pipefail
runs=${1:-5}
source "$(dirname "$0")/common.sh"
bench_prepare embrel_lv2
# The bundle just built comes first; a registry of this run leaves the user's own alone.
export LV2_PATH="$PWD/$build/lv2:/usr/lib/lv2" GST_REGISTRY_1_0="$work/registry.bin"

embrel_uri=urn:calyrix:embrel:stereo
calf_uri=http://calf.sourceforge.net/plugins/Saturator
embrel=urn-calyrix-embrel-stereo
calf=calf-sourceforge-net-plugins-Saturator
if ! gst-inspect-1.0 "$embrel" >/dev/null 2>&1; then
  echo "GStreamer's lv2 element does not find $embrel: install gstreamer1.0-plugins-bad." >&2
  exit 1
fi
if ! gst-inspect-1.0 "$calf" >/dev/null 2>&1; then
  echo "Calf's Saturator is not available: install calf-plugins to compare with it." >&2
  exit 1
fi
echo "input: $(du -h "$in" | cut -f1), 10 minutes, 44100 Hz, 16-bit stereo; $runs runs each"

jobs=(embrel calf identity)
label_of() {
  case $1 in
    embrel) echo "calyrix.lv2 ($embrel)" ;;
    calf) echo "Calf Saturator ($calf)" ;;
    identity) echo "identity on F32LE" ;;
  esac
}
middle_of() {
  case $1 in
    embrel) echo "$embrel" ;;
    calf) echo "$calf" ;;
    identity) echo "audio/x-raw,format=F32LE,layout=interleaved ! identity" ;;
  esac
}

declare -A wall cpu run
run_job() {
  # shellcheck disable=SC2046
  gst-launch-1.0 -q filesrc location="$in" ! wavparse ! audioconvert ! $(middle_of "$1") \
    ! audioconvert ! wavenc ! filesink location="$work/$1.wav"
}
bench_rounds "$runs" "${jobs[@]}"
for ((i = 0; i < runs; i++)); do
  for job in embrel calf; do
    uri=${job}_uri
    run[$job]+="$(lv2bench -f -n 26460000 -b 4096 "${!uri}" | awk '!/^#/ { print $3 }') "
  done
done

echo "GStreamer pipeline (median of $runs runs):"
printf '  %-56s %10s %10s\n' "" "wall (s)" "CPU (s)"
for job in "${jobs[@]}"; do
  printf '  %-56s %10s %10s\n' "$(label_of "$job")" "$(median "${wall[$job]}")" "$(median "${cpu[$job]}")"
done
e=$(median "${wall[embrel]}") c=$(median "${wall[calf]}") i=$(median "${wall[identity]}")
ec=$(median "${cpu[embrel]}") cc=$(median "${cpu[calf]}") ic=$(median "${cpu[identity]}")
awk -v e="$e" -v c="$c" -v i="$i" -v ec="$ec" -v cc="$cc" -v ic="$ic" 'BEGIN {
  printf "  Calf pipeline / calyrix.lv2 pipeline: %.2f wall, %.2f CPU\n", c / e, cc / ec
  if (e - i > 0 && ec - ic > 0)
    printf "  added to the identity pipeline, Calf / calyrix.lv2: %.1f wall, %.1f CPU (goal: at least 5)\n", (c - i) / (e - i), (cc - ic) / (ec - ic)
}'
er=$(median "${run[embrel]}") cr=$(median "${run[calf]}")
echo "lv2bench, run time of 26,460,000 frames in blocks of 4096 (median of $runs runs):"
printf '  %-56s %10s s\n' "$embrel_uri" "$er" "$calf_uri" "$cr"
awk -v e="$er" -v c="$cr" 'BEGIN { printf "  Calf / calyrix.lv2: %.1f (goal: at least 5)\n", c / e }'
