# samples_make_s: seconds for veltra-make-samples to write its two days of sample recordings (today's
#   featured clips at full size included), one run; samples_mb: the size of the tree in MB (10^6 bytes).
set -euo pipefail
source "$VELTRA_SOURCE/bench/lib.sh"
bench_build veltra-make-samples
tree="$BENCH_WORK/Ingest"
seconds=$(bench_seconds "$BENCH_BUILD/tools/veltra-make-samples" "$tree" --date 2025-07-05)
# The timed run's output is discarded: a tree without today's featured clip means it failed.
[ -s "$tree/2025/07/05/canal1/canal1_0700.mxf" ] || { echo "veltra-make-samples failed" >&2; exit 1; }
figure samples_make_s "$seconds" s
figure samples_mb "$(du -sb "$tree" | awk '{ print $1 / 1e6 }')" MB
