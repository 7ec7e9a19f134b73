#!/usr/bin/env bash
# player-shows-bars.sh PLAYER [SCREENSHOT.png]: starts PLAYER on the X server in DISPLAY and waits (up to
# a minute) until the screen shows the colour bars the preview opens with, pressing Enter on the message
# boxes it opens with (on a new account: no recordings today) as an operator would. Keeps the last
# screenshot when a path is given. Fails when the player ends first or the bars never show.
# Run it on a private server: tests/e2e/under-xvfb.sh scripts/player-shows-bars.sh PLAYER
set -uo pipefail
player=$1
work=$(mktemp -d)
shot=${2:-$work/screen.png}
"$player" >"$work/player.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT

# True when some row of the picture crosses the yellow, cyan, green, magenta, red and blue bars in that
# order, each a few pixels wide. Every other pixel is sampled: bars are wide, and it halves the work.
shows_bars() {
  local width
  width=$(convert "$1" -sample 50% -format %w info:) || return 1
  convert "$1" -sample 50% -depth 8 rgb:- | od -An -v -tu1 -w$((width * 3)) | awk '
    function level(v) { return v >= 120 ? "1" : v <= 70 ? "0" : "" }
    found { next }  # reads on: leaving early would fail the pipe
    {
      seen = ""; last = ""; run = 0
      for (i = 1; i + 2 <= NF; i += 3) {
        r = level($i); g = level($(i + 1)); b = level($(i + 2))
        c = (r == "" || g == "" || b == "") ? "." : name[r g b]
        if (c == last) run++; else { last = c; run = 1 }
        if (run == 4 && c != substr(seen, length(seen))) seen = seen c
      }
      if (index(seen, "YCGMRB")) found = 1
    }
    BEGIN { name["110"] = "Y"; name["011"] = "C"; name["010"] = "G"; name["101"] = "M"; name["100"] = "R"
            name["001"] = "B"; name["111"] = "W"; name["000"] = "K" }
    END { exit !found }'
}

while [ $SECONDS -lt 60 ]; do
  sleep 1
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "the player ended before showing its colour bars:" >&2
    cat "$work/player.log" >&2
    exit 1
  fi
  import -window root "$shot" 2>/dev/null && shows_bars "$shot" && exit 0
  # Message boxes carry the bare application name; the main window's caption adds the release.
  if xdotool search --onlyvisible --name '^VELTRA-PLAYER-2025$' >/dev/null; then xdotool key Return; fi
done
echo "the player did not show its colour bars within a minute (last screen: $shot):" >&2
cat "$work/player.log" >&2
exit 1
