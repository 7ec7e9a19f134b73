#!/usr/bin/env bash
# Makes the Debian package as scripts/make-package.sh does, unpacks it into a scratch folder and checks it
# as a technician would meet it: its files, its control fields and dependencies, its desktop entry, and
# the unpacked player starting (private X server, scratch HOME) to the colour bars of its preview.
# The last screen is kept in build-release/package-screen.png.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(scripts/make-package.sh)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
dpkg-deb -x "$deb" "$root"
failed=0
fail() {
  echo "package: $*" >&2
  failed=1
}

icons=usr/share/icons/hicolor
sizes=(16 24 32 48 64 128 256)
expected=(usr/bin/veltra-player usr/bin/veltra-make-samples usr/share/applications/veltra-player.desktop
  $icons/scalable/apps/veltra-player.svg)
for size in "${sizes[@]}"; do expected+=("$icons/${size}x$size/apps/veltra-player.png"); done
if ! diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$root" && find . -type f -printf '%P\n' | sort) >&2; then
  fail "holds other files than expected (< expected, > found)"
fi
for program in veltra-player veltra-make-samples; do
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
done
for size in "${sizes[@]}"; do
  png=$root/$icons/${size}x$size/apps/veltra-player.png
  shown=$(identify -format %wx%h "$png" 2>/dev/null || echo unreadable)
  [ "$shown" = "${size}x$size" ] || fail "the ${size}x$size icon is $shown"
done

while read -r field value; do
  [ "$(dpkg-deb -f "$deb" "$field")" = "$value" ] || fail "$field is '$(dpkg-deb -f "$deb" "$field")', not '$value'"
done <<'EOF'
Package veltra-player
Version 20.25.07.12
Section video
Maintainer VELTRA player team <dev@veltra.local>
EOF
# Each wanted package must be one of the dependencies (or the first of its alternatives).
depends=$(dpkg-deb -f "$deb" Depends | sed 's/, */\n/g')
for wanted in libqt6widgets6 'libavformat[0-9]+' 'libavcodec[0-9]+' 'libavfilter[0-9]+' 'libavutil[0-9]+' \
  'libswscale[0-9]+' 'libswresample[0-9]+' libsdl2-2.0-0 fonts-liberation fonts-dejavu-core; do
  grep -Eq "^$wanted( |$)" <<<"$depends" || fail "does not depend on $wanted: $(tr '\n' ' ' <<<"$depends")"
done

entry=$root/usr/share/applications/veltra-player.desktop
complaints=$(desktop-file-validate "$entry" 2>&1) || true
[ -z "$complaints" ] || fail "desktop entry: $complaints"
while read -r line; do
  grep -Fxq "$line" "$entry" || fail "the desktop entry lacks: $line"
done <<'EOF'
Name=VELTRA Player
GenericName=Estação de reprodução e exportação de clipes
Comment=Reproduz as gravações do ingest por data e canal e exporta trechos marcados
Exec=veltra-player
Icon=veltra-player
Categories=AudioVideo;Video;Player;
EOF

mkdir "$scratch/home"
env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME -u SDL_AUDIODRIVER HOME="$scratch/home" \
  tests/e2e/under-xvfb.sh scripts/player-shows-bars.sh "$root/usr/bin/veltra-player" \
  build-release/package-screen.png || fail "the unpacked player did not show its colour bars"

[ $failed -eq 0 ] && echo "package: $(basename "$deb") checked"
exit $failed
