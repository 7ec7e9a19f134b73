#!/usr/bin/env bash
# Runs a test program on a private X server of its own, with Qt on X11, the way an operator's desktop runs
# the player. The screen is a 1920x1080 display like the ingest stations'. The server picks a free display
# number itself (-displayfd), so tests run in parallel never race for one. XVFB_SCREENS=2 adds a second
# display of the same size (a second X screen, :N.1), as a station with its output monitor has.
set -uo pipefail
# Listing the tests (at build time) needs no display.
for arg in "$@"; do
  [ "$arg" = --gtest_list_tests ] && QT_QPA_PLATFORM=offscreen exec "$@"
done
work=$(mktemp -d)
mkfifo "$work/display"
screens=()
for ((i = 0; i < ${XVFB_SCREENS:-1}; i++)); do screens+=(-screen "$i" 1920x1080x24); done
Xvfb -displayfd 3 "${screens[@]}" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$work"' EXIT
if ! read -r -t 30 number <"$work/display"; then
  echo "under-xvfb: the X server did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
DISPLAY=":$number" QT_QPA_PLATFORM=xcb "$@"
