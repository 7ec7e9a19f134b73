#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UBSan and runs every test; then makes and checks the Debian
# package, runs the engine's threaded tests under ThreadSanitizer and fuzzes the file source for a minute.
# No display needed: the end-to-end tests and the package check start X servers of their own.
# VELTRA_QUICK=1 skips the package, ThreadSanitizer and fuzzing passes.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
veltra_build build-test "" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRA_SANITIZE=ON
source scripts/sanitizer-env.sh
# The tests labelled "timing" hold sound and picture to a frame: they run on their own, after the rest.
(cd build-test && ctest --output-on-failure -j2 --timeout 600 -LE timing && ctest --output-on-failure --timeout 600 -L timing)
if [ "${VELTRA_QUICK:-0}" != 1 ]; then
  scripts/test-package.sh
  scripts/test-tsan.sh
  scripts/test-fuzz.sh
fi
