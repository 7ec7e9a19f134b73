# samples_tree_s: seconds for veltra-make-samples to write its two days of sample recordings.
set -euo pipefail
source "$VELTRA_SOURCE/bench/lib.sh"
bench_build veltra-make-samples
make_tree() {
  rm -rf "$BENCH_WORK/Ingest"
  "$BENCH_BUILD/tools/veltra-make-samples" "$BENCH_WORK/Ingest" --date 2025-07-05
}
figure samples_tree_s "$(bench_best_of 3 make_tree)" s
