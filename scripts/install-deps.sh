#!/usr/bin/env bash
# Installs the Debian packages the build, the player, the Debian package and the tests need, only when some
# are missing.
set -euo pipefail
PKGS=(build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libavformat-dev libavcodec-dev libavfilter-dev libswscale-dev libswresample-dev libavutil-dev
  libsdl2-dev libgtest-dev libgmock-dev
  ffmpeg mediainfo xvfb xauth x11-xserver-utils x11-utils openbox imagemagick
  fonts-liberation fonts-dejavu-core
  librsvg2-bin dpkg-dev file desktop-file-utils xdotool)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
