#!/usr/bin/env bash
# Runs a program on the current X display under a window manager (openbox), as on an operator's desktop:
# windows get frames and title bars. Waits until the manager has taken the display over.
set -uo pipefail
for arg in "$@"; do
  [ "$arg" = --gtest_list_tests ] && exec "$@" # listing the tests needs no window manager
done
openbox --sm-disable >/dev/null 2>&1 &
manager=$!
trap 'kill "$manager" 2>/dev/null; wait "$manager" 2>/dev/null' EXIT
for _ in $(seq 1 300); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  # A manager that gave up at its start (seen once on a busy machine) is started again.
  if ! kill -0 "$manager" 2>/dev/null; then
    openbox --sm-disable >/dev/null 2>&1 &
    manager=$!
  fi
  sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
  echo "with-window-manager: openbox did not start" >&2
  exit 1
fi
"$@"
