# The file source and preview renderer on the reference inputs (60 s of xdcam and h264, see bench/lib.sh),
# through the engine's objects with a surface that reads each presented picture's frame code and a sound
# device that plays in real time (bench/engine_bench.cpp says how each figure is taken):
#   av_offset_p95_ms[_steady|_resume|_enable]: |sound - picture| at the flash and beep of xdcam, 95th
#     percentile, in steady play, after pause and play, after sound is enabled while running, and after
#     a read stall (reads held on the engine's read gate until the read-ahead has played out, then 2 s
#     more); a flash whose beep is not heard within 0.5 s counts as 1000 ms.
#   play_1x_dropped_frames_<input>: frames of the first 60 s never shown at 1x with sound on, the worst
#     of 5 runs while another process keeps one core half busy.
#   play_1x_cpu_ratio_xdcam: CPU seconds of 60 s at 1x (ours converts and scales for a 640x360 preview
#     too), ref = `ffmpeg -re -i X -f null -` on the same file.
#   decode_fps_<input>: frames per second through the source with a consumer that sets the pace,
#     ref = `ffmpeg -i X -f null -` (which decodes the sound as well).
#   play_8x_position_ratio_h264, play_8x_pictures_per_s_h264: position advance over wall time / 8 and
#     distinct pictures shown per second, 5 s at 8x.
# BENCH_PLAY_RUNS (default 5) and BENCH_PLAY_S (default 60) shorten the 1x runs for a quick look.
set -euo pipefail
source "$VELTRA_SOURCE/bench/lib.sh"
bench_build engine_bench
b="$BENCH_BUILD/bench/engine_bench"
runs=${BENCH_PLAY_RUNS:-5}
seconds=${BENCH_PLAY_S:-60}
cd "$BENCH_WORK"
bench_input xdcam 60 xdcam.mxf
bench_input h264 60 h264.mp4
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"

"$b" avsync xdcam.mxf

# ref_fps clip: frames per second of ffmpeg decoding the whole clip (best of 2).
ref_fps() {
  local frames t
  frames=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$1")
  t=$(bench_best_of 2 ffmpeg -v error -i "$1" -f null -)
  awk -v f="$frames" -v t="$t" 'BEGIN { print f / t }'
}
for input in xdcam.mxf h264.mp4; do
  name=${input%.*}
  ref=$(ref_fps "$input")
  ours=$("$b" decode "$input" "decode_fps_$name" | awk '{ print $3 }')
  figure "decode_fps_$name" "$ours" fps "$ref"
done

# cpu_seconds command...: user + system CPU seconds of the command.
cpu_seconds() {
  /usr/bin/time -f '%U %S' -o "$BENCH_WORK/time.txt" "$@" >/dev/null 2>&1
  awk '{ print $1 + $2 }' "$BENCH_WORK/time.txt"
}
ours=$("$b" cpu xdcam.mxf "$seconds")
ref=$(cpu_seconds ffmpeg -v error -re -t "$seconds" -i xdcam.mxf -f null -)
figure play_1x_cpu_ratio_xdcam "$(awk -v o="$ours" -v r="$ref" 'BEGIN { print o / r }')" ratio
echo "play_1x_cpu_ratio_xdcam: ours $ours s, ffmpeg -re $ref s of CPU" >&2

"$b" load 0.5 &
load=$!
trap 'kill "$load" 2>/dev/null || true' EXIT
for input in xdcam.mxf h264.mp4; do
  worst=0
  for ((run = 0; run < runs; run++)); do
    dropped=$("$b" play "$input" "$seconds")
    echo "play_1x_dropped_frames_${input%.*}: run $((run + 1)): $dropped" >&2
    worst=$((dropped > worst ? dropped : worst))
  done
  figure "play_1x_dropped_frames_${input%.*}" "$worst" frames
done
kill "$load"

"$b" fast h264.mp4 h264
