#!/usr/bin/env bash
# Input latency of Embrel's window during an offline run of 10 minutes of music: the
# window runs offscreen with a registry of its own and no sound device, and
# ui_response_bench posts a key press to a fader every 5 ms while the run lasts.
# Usage: bash bench/ui_response.sh [RUNS]   (default 3)
set -euo pipefail
source "$(dirname "$0")/common.sh"
runs=${1:-3}
bench_prepare ui_response_bench tarvel_ocx regsvr
mkdir -m 700 "$work/runtime"
export CALYRIX_REGISTRY="$work/registry" CALYRIX_WAVEOUT=none TMPDIR="$work" XDG_DATA_HOME="$work/data" \
  XDG_RUNTIME_DIR="$work/runtime"
"$build/tools/regsvr/regsvr" "$build/slider/TARVEL.OCX" >/dev/null
for ((r = 0; r < runs; r++)); do
  "$build/bench/ui_response_bench" "$in" "$work/out.wav"
done
