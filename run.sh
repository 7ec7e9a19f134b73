#!/usr/bin/env bash
# Builds the player (release), makes sample recordings when the recording root is missing, starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/veltra-ccache}" CCACHE_BASEDIR="$PWD"
BUILD=build-release
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRA_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
ROOT="$HOME/Ingest"
if [ ! -d "$ROOT" ] && [ -x "$BUILD/tools/veltra-make-samples" ]; then
  echo "Making sample recordings in $ROOT"
  "$BUILD/tools/veltra-make-samples" "$ROOT"
fi
exec "$BUILD/app/veltra-player" "$@"
