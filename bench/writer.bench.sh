# export_h264_mp4_60s, export_mpeg2_mxf_60s: wall seconds for the engine's file writer, with rate control,
# to export a segment (60 s unless BENCH_SEGMENT_S says otherwise) of a clip, against the ffmpeg command
# doing the same cut with the same codec settings. Best of 2 runs each.
set -euo pipefail
source "$VELTRA_SOURCE/bench/lib.sh"
bench_build veltra-bench-export
seg=${BENCH_SEGMENT_S:-60}
in=5
out=$((in + seg))
length=$((out + 5))
cd "$BENCH_WORK"

bench_h264_mp4 "$length" h264.mp4
bench_mpeg2_mxf "$length" mpeg2.mxf

ours=$(bench_best_of 2 "$BENCH_BUILD/bench/veltra-bench-export" h264.mp4 ours.mp4 "$in" "$out" \
  "format=mp4 video=libx264 audio=aac video::b=6M video::preset=veryfast audio::b=256K")
ref=$(bench_best_of 2 ffmpeg -v error -y -ss "$in" -i h264.mp4 -t "$seg" \
  -c:v libx264 -preset veryfast -b:v 6M -c:a aac -b:a 256k -ac 2 ref.mp4)
figure "export_h264_mp4_${seg}s" "$ours" s "$ref"

amerge=$(for c in $(seq 0 15); do printf '[0:a:%d]' "$c"; done)
ours=$(bench_best_of 2 "$BENCH_BUILD/bench/veltra-bench-export" mpeg2.mxf ours.mxf "$in" "$out" \
  "format=mxf video=mpeg2video audio=pcm_s16le video::b=25M")
ref=$(bench_best_of 2 ffmpeg -v error -y -ss "$in" -i mpeg2.mxf -t "$seg" \
  -filter_complex "${amerge}amerge=inputs=16[a]" -map 0:v -map "[a]" \
  -c:v mpeg2video -b:v 25M -flags +ildct+ilme -top 1 -c:a pcm_s16le -f mxf ref.mxf)
figure "export_mpeg2_mxf_${seg}s" "$ours" s "$ref"
