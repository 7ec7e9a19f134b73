# list_10k_ms: milliseconds to re-read a channel folder of 10,000 clips with the video mask (best of 5),
#   against `find DIR -maxdepth 1 -type f` listing the same folder (best of 5).
# tick_us: median microseconds of one position-display tick while a sample clip plays on the real engine.
set -euo pipefail
source "$VELTRA_SOURCE/bench/lib.sh"
bench_build veltra-bench-handlers veltra-make-samples
program="$BENCH_BUILD/bench/veltra-bench-handlers"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy

channel="$BENCH_WORK/Ingest/2025/07/05/canal1"
mkdir -p "$channel"
(cd "$channel" && for i in $(seq -w 1 10000); do
  case $((10#$i % 4)) in
    0) : >"Clip $i.mxf" ;; 1) : >"clip_$i.MP4" ;; 2) : >"Gravação $i.mov" ;; 3) : >"notas $i.txt" ;;
  esac
done)
read -r ours listed < <("$program" list "$channel")
ref=$(bench_best_of 5 find "$channel" -maxdepth 1 -type f)
ref_ms=$(awk -v s="$ref" 'BEGIN { print s * 1000 }')
echo "list_10k_ms: $listed entries listed" >&2
figure list_10k_ms "$ours" ms "$ref_ms"

"$BENCH_BUILD/tools/veltra-make-samples" "$BENCH_WORK/Samples" --date 2025-07-05
clip=$(find "$BENCH_WORK/Samples" -type f \( -name '*.mxf' -o -name '*.mp4' -o -name '*.mov' \) | sort | head -n 1)
if tick=$("$program" tick "$clip"); then
  figure tick_us "$tick" us
else
  echo "tick_us: not measurable (the real engine did not play $clip)" >&2
fi
