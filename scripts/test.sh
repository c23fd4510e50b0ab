#!/usr/bin/env bash
# Installs what is missing, builds and runs the test suite.
#   scripts/test.sh           the full run (CI's): a plain build with warnings as errors,
#                             AddressSanitizer + UndefinedBehaviorSanitizer, ThreadSanitizer
#                             (toolkit-free tests only: the distribution's Qt is not
#                             instrumented), then the fuzz harnesses built with clang and
#                             run on their seeds for a few seconds each
#   scripts/test.sh --quick   the plain build and its tests only, for everyday work
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
case "${1:-}" in
  "") ;;
  --quick) quick=1 ;;
  *) echo "usage: scripts/test.sh [--quick]" >&2; exit 2 ;;
esac

bash scripts/deps.sh

jobs=$(nproc)
status=0
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

configure() {
  local dir=$1; shift
  echo "=== $dir: configure and build"
  cmake -S . -B "$dir" -G Ninja -DCALYRIX_WERROR=ON "${launcher[@]}" "$@" >/dev/null
}

run_tree() {
  local dir=$1; shift
  configure "$dir" "$@"
  cmake --build "$dir" -j "$jobs"
  echo "=== $dir: tests"
  if ! (cd "$dir" && ctest --output-on-failure -j "$jobs"); then
    status=1
  fi
}

# Only the harnesses and what they link; about a minute of fuzzing in all.
fuzz_tree() {
  configure build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCALYRIX_SANITIZE=address-undefined \
    -DCALYRIX_FUZZ=ON -DCALYRIX_BENCH=OFF -DBUILD_TESTING=OFF
  local targets
  targets=$(cmake --build build-fuzz --target help | sed -n 's/^\(fuzz_[a-z_]*\):.*/\1/p')
  # shellcheck disable=SC2086
  cmake --build build-fuzz -j "$jobs" --target $targets
  echo "=== build-fuzz: harnesses"
  if ! ASAN_OPTIONS=detect_leaks=1 bash scripts/fuzz-smoke.sh build-fuzz 8; then
    status=1
  fi
}

run_tree build
if [ "$quick" -eq 0 ]; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_tree build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DCALYRIX_SANITIZE=address-undefined -DCALYRIX_BENCH=OFF
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    run_tree build-tsan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DCALYRIX_SANITIZE=thread -DCALYRIX_WITH_QT=OFF -DCALYRIX_BENCH=OFF
  fuzz_tree
fi

if [ "$status" -ne 0 ]; then
  echo "Some tests failed."
fi
exit "$status"
