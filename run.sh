#!/usr/bin/env bash
# Builds the player (release), makes sample recordings when the recording root is missing or empty,
# starts it. When it has just made the samples, a live recording is written into today's canal1 folder
# of that tree while the player runs, and finished (footer written) when the player ends.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
BUILD=build-release
veltra_release_build ""
ROOT="$HOME/Ingest"
SAMPLES="$BUILD/tools/veltra-make-samples"
if [ -z "$(ls -A "$ROOT" 2>/dev/null)" ] && [ -x "$SAMPLES" ]; then
  echo "Making sample recordings in $ROOT"
  TODAY=$(date +%F)
  "$SAMPLES" "$ROOT" --date "$TODAY"
  # Only into the tree made just now, never into a recording root that was already there.
  "$SAMPLES" live "$ROOT/${TODAY//-//}/canal1" --format mxf &
  LIVE=$!
  trap 'kill -TERM "$LIVE" 2>/dev/null || true; wait "$LIVE" || true' EXIT
  STATUS=0
  "$BUILD/app/veltra-player" "$@" || STATUS=$?
  exit "$STATUS"
fi
exec "$BUILD/app/veltra-player" "$@"
