# Sourced by the scripts at the top of the repository, from its root: installs what is missing and
# points ccache at the shared cache. Paths below the checkout are hashed relative to it, and the
# directory is left out of the hash of debug builds, so clones and worktrees elsewhere share the cache.
scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/veltra-ccache}" CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

# veltra_build dir target cmake-option...: configures dir with Ninja and builds target ("" for all).
veltra_build() {
  local dir=$1 target=$2
  shift 2
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)" ${target:+--target "$target"}
}

# veltra_release_build target: the release build the player runs from and the package is made of.
veltra_release_build() {
  veltra_build build-release "$1" -DCMAKE_BUILD_TYPE=Release -DVELTRA_TESTS=OFF
}
