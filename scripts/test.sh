#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite three times:
# a plain build with warnings as errors, AddressSanitizer + UndefinedBehaviorSanitizer,
# and ThreadSanitizer (toolkit-free tests only: the distribution's Qt is not instrumented).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

jobs=$(nproc)
status=0

run_tree() {
  local dir=$1; shift
  echo "=== $dir: configure and build"
  cmake -S . -B "$dir" -G Ninja -DCALYRIX_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "=== $dir: tests"
  if ! (cd "$dir" && ctest --output-on-failure -j "$jobs"); then
    status=1
  fi
}

run_tree build
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_tree build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  -DCALYRIX_SANITIZE=address-undefined -DCALYRIX_BENCH=OFF
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  run_tree build-tsan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  -DCALYRIX_SANITIZE=thread -DCALYRIX_WITH_QT=OFF -DCALYRIX_BENCH=OFF

if [ "$status" -ne 0 ]; then
  echo "Some tests failed."
fi
exit "$status"
