#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UBSan and runs every test. No display needed.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/veltra-ccache}" CCACHE_BASEDIR="$PWD"
BUILD=build-test
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRA_SANITIZE=ON >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
cd "$BUILD"
ctest --output-on-failure -j2 --timeout 600
