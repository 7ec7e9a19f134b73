#!/usr/bin/env bash
# Makes the Debian package veltra-player from the release build (build-release, only what the package
# holds) and prints its path. Install it with: sudo apt-get install ./build-release/veltra-player_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
veltra_release_build veltra_package_contents >&2
(cd build-release && cpack -G DEB >&2)
ls "$PWD"/build-release/veltra-player_*.deb
