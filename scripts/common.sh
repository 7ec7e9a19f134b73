# Sourced by the scripts at the top of the repository, from its root: installs what is missing and
# points ccache at the shared cache.
scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/veltra-ccache}" CCACHE_BASEDIR="$PWD"

# veltra_build dir target cmake-option...: configures dir with Ninja and builds target ("" for all).
veltra_build() {
  local dir=$1 target=$2
  shift 2
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)" ${target:+--target "$target"}
}
