#!/usr/bin/env bash
# Builds the player (release), makes sample recordings when the recording root is missing or empty,
# starts it.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
BUILD=build-release
veltra_release_build ""
ROOT="$HOME/Ingest"
if [ -z "$(ls -A "$ROOT" 2>/dev/null)" ] && [ -x "$BUILD/tools/veltra-make-samples" ]; then
  echo "Making sample recordings in $ROOT"
  "$BUILD/tools/veltra-make-samples" "$ROOT"
fi
exec "$BUILD/app/veltra-player" "$@"
