# smartcut_h264_mp4_40s, smartcut_mpeg2_mxf_20s: wall seconds for a frame-exact export that copies the
# source's packets wherever it can (in and out points mid-GOP), against the ffmpeg command re-encoding
# the same span whole with the source's codec. Best of 2 runs each.
set -euo pipefail
source "$VELTRA_SOURCE/bench/lib.sh"
bench_build veltra-bench-smartcut
cd "$BENCH_WORK"

# 1080p29.97 H.264 (closed GOPs of 60) with stereo AAC; cut 40 s starting mid-GOP.
bench_h264_mp4 50 h264.mp4 -b:v 8M
in=137 out=$((137 + 1199))
"$BENCH_BUILD/bench/veltra-bench-smartcut" h264.mp4 ours.mp4 mp4 "$in" "$out" # fails the benchmark if it fails
ours=$(bench_best_of 2 "$BENCH_BUILD/bench/veltra-bench-smartcut" h264.mp4 ours.mp4 mp4 "$in" "$out")
ref=$(bench_best_of 2 ffmpeg -v error -y -i h264.mp4 -vf "trim=start_frame=$in:end_frame=$out,setpts=PTS-STARTPTS" \
  -af "atrim=start=$(awk -v f="$in" 'BEGIN { print f * 1001 / 30000 }'):duration=40.007" \
  -c:v libx264 -preset veryfast -b:v 8M -c:a aac -b:a 192k ref.mp4)
figure smartcut_h264_mp4_40s "$ours" s "$ref"

# 1080i29.97 MPEG-2 in MXF with 16 mono PCM tracks; cut 20 s starting mid-GOP.
bench_mpeg2_mxf 25 mpeg2.mxf
in=40 out=$((40 + 599))
"$BENCH_BUILD/bench/veltra-bench-smartcut" mpeg2.mxf ours.mxf mxf "$in" "$out"
ours=$(bench_best_of 2 "$BENCH_BUILD/bench/veltra-bench-smartcut" mpeg2.mxf ours.mxf mxf "$in" "$out")
ref=$(bench_best_of 2 ffmpeg -v error -y -i mpeg2.mxf -map 0 \
  -vf "trim=start_frame=$in:end_frame=$out,setpts=PTS-STARTPTS" \
  -c:v mpeg2video -b:v 30M -flags +ildct+ilme -top 1 -g 15 -c:a pcm_s16le -t 19.987 -f mxf ref.mxf)
figure smartcut_mpeg2_mxf_20s "$ours" s "$ref"
