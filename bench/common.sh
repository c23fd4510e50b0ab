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
