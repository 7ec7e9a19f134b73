# Exact seeks on the reference inputs (h264: 120 s, GOPs of 120 with a B-pyramid; h264i; xdcam), through
# the file source to the picture shown, against mpv (installed here from Debian if missing) driven
# through its JSON IPC to its playback-restart event, both on the same 50 random frames:
#   seek_exact_p50_ms_<input>, seek_exact_p95_ms_<input>: ref = mpv --hr-seek=yes, paused, no video output.
#     Both players first seek to 10 other random frames, not timed: the first seeks after opening a clip
#     also allocate the decoder's pictures (more of them in ours, which keeps the recent ones for steps).
#   seek_decoded_pictures_<input>: pictures our decoder put out per seek beyond those the target needs (the
#     references from the key picture before it, and the target; bench/seek_needs.py), mean.
#   step_back_ms_h264, step_forward_ms_h264: one frame either way while paused mid-GOP, median.
#   scrub_first_picture_ms_h264: during a drag (positions 30 ms apart), from a position to the first
#     picture shown at or less than a GOP before it (the nearest decoded already, or the key picture of
#     its GOP), whenever it came (later positions of the drag go on meanwhile; 0 when the picture on
#     screen is such a picture already), 95th percentile;
#     scrub_exact_after_rest_ms_h264: from the drag's rest to the exact frame, 95th percentile.
#   tick_queries_us: the position display's queries while playing, median.
set -euo pipefail
source "$VELTRA_SOURCE/bench/lib.sh"
bench_build engine_bench
b="$BENCH_BUILD/bench/engine_bench"
cd "$BENCH_WORK"
if ! command -v mpv >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends mpv >/dev/null
fi
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"

value() { awk -v k="$1" '$1 == k { print $2 }' <<<"$2"; }

for input in h264:120:mp4 h264i:60:ts xdcam:60:mxf; do
  IFS=: read -r name seconds ext <<<"$input"
  bench_input "$name" "$seconds" "$name.$ext"
  rate=$(ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of csv=p=0 "$name.$ext")
  frame=$(awk -v r="$rate" 'BEGIN { split(r, q, "/"); printf "%.9f", q[2] / q[1] }')
  frames=$(awk -v s="$seconds" -v f="$frame" 'BEGIN { printf "%d", s / f }')
  python3 -c "import random; random.seed(99); print('\n'.join(str(random.randrange($frames - 1)) for _ in range(10)))" >targets.txt
  python3 -c "import random; random.seed(1234); print('\n'.join(str(random.randrange($frames - 1)) for _ in range(50)))" >>targets.txt
  # Both read the file from memory: a first pass over it warms the page cache, and the reference runs
  # first so that nothing it reads is left colder than for ours.
  cat "$(readlink -f "$name.$ext")" >/dev/null
  ref=$(python3 "$VELTRA_SOURCE/bench/mpv_seek.py" "$name.$ext" "$frame" targets.txt 10)
  ours=$("$b" seek "$name.$ext" "$frame" targets.txt 10)
  for p in p50 p95; do
    figure "seek_exact_${p}_ms_$name" "$(value seek_exact_$p "$ours")" ms "$(value seek_exact_$p "$ref")"
  done
  figure "seek_decoded_pictures_$name" "$(python3 "$VELTRA_SOURCE/bench/seek_needs.py" "$name.$ext" "$frame" <<<"$ours")" pictures
  if [ "$name" = h264 ]; then
    figure step_back_ms_h264 "$(value step_back "$ours")" ms
    figure step_forward_ms_h264 "$(value step_forward "$ours")" ms
    figure tick_queries_us "$(value tick_queries_us "$ours")" us
    scrub=$("$b" scrub "$name.$ext" "$frame" 120)
    figure scrub_first_picture_ms_h264 "$(value scrub_first_picture_p95 "$scrub")" ms
    figure scrub_exact_after_rest_ms_h264 "$(value scrub_exact_after_rest_p95 "$scrub")" ms
  fi
done
