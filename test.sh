#!/usr/bin/env bash
# Builds and runs every test: unit tests, window tests under Xvfb, then the
# same again with AddressSanitizer and UndefinedBehaviorSanitizer (clang),
# where the fuzz targets also get a short run over their seed corpora.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
zib_install_test_packages

jobs=$(nproc)
run_ctest() {
  # Window tests need a display; a private Xvfb serves the whole run. Without
  # -noreset it resets whenever its last client leaves, and a test starting
  # meanwhile would find no display.
  local dir=$1
  shift
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300 "$@"
}

echo "== Build (release with debug info)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
run_ctest build

echo "== Build with AddressSanitizer, UndefinedBehaviorSanitizer and fuzz targets"
# Set before the build: the build runs sanitized tools (the font baker) too.
export UBSAN_OPTIONS=print_stacktrace=1
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DZIB_SANITIZE=ON -DZIB_FUZZ=ON >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 run_ctest build-asan -LE window
# LeakSanitizer's exit-time scan cannot stop the GL driver's threads: the
# window tests run with every other check but that one.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 run_ctest build-asan -L window
