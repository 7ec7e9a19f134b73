# copy_export_s_h264_40s, copy_export_s_xdcam_20s, copy_export_s_xdcam_120s: wall seconds for a "copy"
# export through the engine's file writer and file source, as the export job drives them
# (veltra-bench-export: from StartFrom to the writer's outcome, the file complete and checked), with in
# and out points mid-GOP; ref = the same range re-encoded through the writer (best of 2 each; the 120 s
# range, from a stream-copied loop of the 60 s input, once each).
# copy_export_peak_rss_mb_<input>_<minutes>min: peak resident memory of that process for a "copy" of
# (nearly) the whole of a stream-copied loop of the input, 10 and 30 minutes (COPY_EXPORT_MINUTES and
# COPY_EXPORT_RSS_INPUTS narrow the runs: the 30-minute MPEG-2 range is a long re-encode).
set -euo pipefail
source "$VELTRA_SOURCE/bench/lib.sh"
bench_build veltra-bench-export
cd "$BENCH_WORK"
export="$BENCH_BUILD/bench/veltra-bench-export"

# peak_rss_mb command...: the command's peak resident set in MB; fails when the command fails.
peak_rss_mb() {
  /usr/bin/time -f '%M' -o rss.txt "$@" >/dev/null 2>&1
  awk '{ printf "%.1f\n", $1 / 1024 }' rss.txt
}

bench_input h264 60 h264.mp4
in=10.3 out=50.3
"$export" h264.mp4 ours.mp4 "$in" "$out" "format=mp4 video=copy audio=copy" >/dev/null # fails the benchmark if it fails
ours=$(bench_best_of 2 "$export" h264.mp4 ours.mp4 "$in" "$out" "format=mp4 video=copy audio=copy")
ref=$(bench_best_of 2 "$export" h264.mp4 ref.mp4 "$in" "$out" \
  "format=mp4 video=libx264 audio=aac video::b=8M video::preset=veryfast audio::b=192K")
figure copy_export_s_h264_40s "$ours" s "$ref"

bench_input xdcam 60 xdcam.mxf
in=10.1 out=30.1
"$export" xdcam.mxf ours.mxf "$in" "$out" "format=mxf video=copy audio=copy" >/dev/null
ours=$(bench_best_of 2 "$export" xdcam.mxf ours.mxf "$in" "$out" "format=mxf video=copy audio=copy")
ref=$(bench_best_of 2 "$export" xdcam.mxf ref.mxf "$in" "$out" \
  "format=mxf video=mpeg2video audio=pcm_s24le video::b=50M")
figure copy_export_s_xdcam_20s "$ours" s "$ref"
rm -f ours.* ref.*

bench_input_long xdcam 10 long.mxf
in=10.1 out=130.1
ours=$(bench_best_of 1 "$export" long.mxf ours.mxf "$in" "$out" "format=mxf video=copy audio=copy")
ref=$(bench_best_of 1 "$export" long.mxf ref.mxf "$in" "$out" \
  "format=mxf video=mpeg2video audio=pcm_s24le video::b=50M")
figure copy_export_s_xdcam_120s "$ours" s "$ref"
rm -f ours.* ref.* long.mxf

for name in ${COPY_EXPORT_RSS_INPUTS:-h264 xdcam}; do
  ext=mp4
  [ "$name" = xdcam ] && ext=mxf
  for minutes in ${COPY_EXPORT_MINUTES:-10 30}; do
    bench_input_long "$name" "$minutes" "long.$ext"
    mb=$(peak_rss_mb "$export" "long.$ext" "ours.$ext" 0.5 "$((minutes * 60 - 1))" "format=$ext video=copy audio=copy")
    figure "copy_export_peak_rss_mb_${name}_${minutes}min" "$mb" MB
    rm -f "ours.$ext" "long.$ext"
  done
done
