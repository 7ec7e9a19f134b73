# The file source and preview: decode speed (ref: ffmpeg -f null), exact seeks, step back, tick queries,
# and 1x playback of 1080i MPEG-2 MXF with 16 PCM tracks.
set -euo pipefail
source "$VELTRA_SOURCE/bench/lib.sh"
bench_build engine_bench
b="$BENCH_BUILD/bench/engine_bench"
h264="$BENCH_WORK/h264_1080p.mp4"
mxf="$BENCH_WORK/mpeg2_1080i.mxf"
"$b" make h264 "$h264"
"$b" make mpeg2 "$mxf"
ref_fps() {
  local frames=$1 clip=$2 t
  t=$(bench_best_of 2 ffmpeg -v error -i "$clip" -f null -)
  awk -v f="$frames" -v t="$t" 'BEGIN { print f / t }'
}
with_ref() {
  local line ref=$2
  line=$($b decode "$1" "$3")
  awk -v r="$ref" '{ printf "%s %.3f %s ref=%.3f ratio=%.3f\n", $1 " " $2, $3, $4, r, $3 / r }' <<<"$line"
}
with_ref "$h264" "$(ref_fps 300 "$h264")" decode_h264_1080p
with_ref "$mxf" "$(ref_fps 600 "$mxf")" decode_mpeg2_1080i_mxf
"$b" seek "$h264"
SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" "$b" play "$mxf"
