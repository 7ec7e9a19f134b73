# Helpers for bench/*.bench.sh (sourced). bench/run.sh sets VELTRA_SOURCE, BENCH_BUILD, BENCH_JOBS and
# BENCH_WORK (an empty scratch folder for this benchmark, removed afterwards).

# bench_build target...: builds the targets in the release build.
bench_build() {
  cmake --build "$BENCH_BUILD" -j"$BENCH_JOBS" --target "$@" >/dev/null
}

# bench_seconds command...: wall time of one run in seconds; the command's output is discarded.
bench_seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }'
}

# bench_best_of n command...: the shortest of n runs, in seconds.
bench_best_of() {
  local n=$1 best="" t
  shift
  for ((i = 0; i < n; i++)); do
    t=$(bench_seconds "$@")
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

# figure name value unit [ref]: prints the figure line; with ref, also the reference and ours/ref.
figure() {
  local name=$1 value=$2 unit=$3 ref=${4:-}
  if [ -n "$ref" ]; then
    printf 'FIGURE %s %.3f %s ref=%.3f ratio=%.3f\n' "$name" "$value" "$unit" "$ref" "$(awk -v v="$value" -v r="$ref" 'BEGIN { print v / r }')"
  else
    printf 'FIGURE %s %.3f %s\n' "$name" "$value" "$unit"
  fi
}
