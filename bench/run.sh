#!/usr/bin/env bash
# Runs the benchmarks: every bench/*.bench.sh, against a release build of its own (build-bench/).
# Prints one line per figure: FIGURE <name> <value> <unit> [ref=<value> ratio=<ours/ref>].
# Usage: bench/run.sh [part-of-a-benchmark-name ...]   (no argument: all of them)
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/veltra-ccache}" CCACHE_BASEDIR="$PWD"
export VELTRA_SOURCE="$PWD"
export BENCH_BUILD="${BENCH_BUILD:-$PWD/build-bench}"
export BENCH_JOBS="${BENCH_JOBS:-2}"
cmake -S . -B "$BENCH_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRA_TESTS=OFF >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for bench in bench/*.bench.sh; do
  name=$(basename "$bench" .bench.sh)
  if [ $# -gt 0 ]; then
    wanted=0
    for w in "$@"; do [[ "$name" == *"$w"* ]] && wanted=1; done
    [ $wanted -eq 1 ] || continue
  fi
  export BENCH_WORK="$work/$name"
  mkdir -p "$BENCH_WORK"
  if ! bash "$bench"; then
    echo "benchmark $name failed" >&2
    failed=1
  fi
done
exit $failed
