#!/usr/bin/env bash
# Runs a test program on a private X server of its own, with Qt on X11, the way an operator's desktop runs
# the player. The screen is a 1920x1080 display like the ingest stations'.
set -euo pipefail
exec xvfb-run --auto-servernum --server-args="-screen 0 1920x1080x24 -nolisten tcp" \
  env QT_QPA_PLATFORM=xcb "$@"
