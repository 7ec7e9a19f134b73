#!/usr/bin/env bash
# Builds the player (release), makes sample recordings when the recording root is missing, starts it.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
BUILD=build-release
veltra_build "$BUILD" "" -DCMAKE_BUILD_TYPE=Release -DVELTRA_TESTS=OFF
ROOT="$HOME/Ingest"
if [ ! -d "$ROOT" ] && [ -x "$BUILD/tools/veltra-make-samples" ]; then
  echo "Making sample recordings in $ROOT"
  "$BUILD/tools/veltra-make-samples" "$ROOT"
fi
exec "$BUILD/app/veltra-player" "$@"
