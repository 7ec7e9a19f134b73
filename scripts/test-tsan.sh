#!/usr/bin/env bash
# The engine's threaded tests (open, playback, seek, renderers, broken files) built with ThreadSanitizer
# in build-tsan. The tests read their suppressions from tests/engine/tsan.supp (set by CMake).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
veltra_build build-tsan engine_source_tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRA_TSAN=ON
veltra_build build-tsan engine_timing_tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRA_TSAN=ON
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
# Older ThreadSanitizer runtimes cannot map their shadow memory under a fully randomised address space.
norandom=()
if setarch "$(uname -m)" -R true 2>/dev/null; then norandom=(setarch "$(uname -m)" -R); fi
cd build-tsan/tests/engine
# The transport-change sync test is left to the ASan pass: at the sanitizer's speed pictures lag the clock
# by more than the sound kept behind it, and its one-frame bound fails for a reason that is not a race.
"${norandom[@]}" ctest --output-on-failure -j2 -R "SourceOpen|Playback|SeekExact|Renderer|BrokenFiles|Sync" \
  -E "Sync.SoundStartsWithThePictureAndNeverLateAfterEveryTransportChange"
