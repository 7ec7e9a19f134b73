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

# 1080p29.97 H.264 with stereo AAC.
ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30000/1001" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000" -f lavfi -i "sine=frequency=660:sample_rate=48000" \
  -filter_complex "[1][2]amerge=inputs=2[a]" -map 0:v -map "[a]" -t "$length" \
  -c:v libx264 -preset ultrafast -g 60 -c:a aac -b:a 192k h264.mp4
# 1080i29.97 MPEG-2 in MXF with 16 mono PCM tracks.
tones=() maps=()
for c in $(seq 0 15); do
  tones+=(-f lavfi -i "sine=frequency=$((300 + 50 * c)):sample_rate=48000")
  maps+=(-map "$((c + 1)):a")
done
ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30000/1001" "${tones[@]}" -map 0:v "${maps[@]}" \
  -t "$length" -c:v mpeg2video -b:v 30M -flags +ildct+ilme -top 1 -g 15 -c:a pcm_s16le -f mxf mpeg2.mxf

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
