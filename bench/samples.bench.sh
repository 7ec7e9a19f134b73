# samples_make_s: seconds for veltra-make-samples to write its two days of sample recordings (today's
#   featured clips at full size included), best of 2; samples_mb: the size of the tree in MB (10^6 bytes).
set -euo pipefail
source "$VELTRA_SOURCE/bench/lib.sh"
bench_build veltra-make-samples
make_tree() {
  rm -rf "$BENCH_WORK/Ingest"
  "$BENCH_BUILD/tools/veltra-make-samples" "$BENCH_WORK/Ingest" --date 2025-07-05
}
make_tree # fails the benchmark if it fails
figure samples_make_s "$(bench_best_of 2 make_tree)" s
figure samples_mb "$(du -sb "$BENCH_WORK/Ingest" | awk '{ print $1 / 1e6 }')" MB
