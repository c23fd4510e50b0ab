# Sourced by the side-by-side scripts. bench_prepare TARGET... installs what is missing,
# builds those targets of the release tree ($build: build-release, or CALYRIX_BUILD_DIR),
# makes a work directory removed at exit ($work) and a 10-minute 44.1 kHz 16-bit stereo WAV
# of generated music in it ($in).
bench_prepare() {
  cd "$(dirname "${BASH_SOURCE[0]}")/.."
  build=${CALYRIX_BUILD_DIR:-build-release}
  bash scripts/deps.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$build" --target "$@" embrel-demo-sound >/dev/null
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  in="$work/in.wav"
  "$build/tools/demo-sound/embrel-demo-sound" "$in" --seconds 600
}

# bench_rounds RUNS JOB...: runs the caller's run_job for each JOB in turn, RUNS rounds, so
# that load from elsewhere falls on all of them alike, and appends each run's wall and CPU
# (user + system) seconds to the caller's associative arrays wall and cpu.
bench_rounds() {
  local runs=$1 i job t r u s
  shift
  local TIMEFORMAT='%R %U %S'
  for ((i = 0; i < runs; i++)); do
    for job in "$@"; do
      t=$({ time run_job "$job" >/dev/null 2>&1; } 2>&1)
      read -r r u s <<<"$t"
      wall[$job]+="$r "
      cpu[$job]+="$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.3f", u + s }') "
    done
  done
}

# The median of a list of numbers separated by spaces.
median() {
  printf '%s\n' $1 | sort -g | awk '{ a[NR] = $1 } END { m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf "%.3f", m }'
}
