# Recordings still being written and slow storage, through the engine's file source (engine_bench):
#   live_edge_lag_s_<xdcam|ts>: while the sample tool's live mode writes a recording (full size, MXF
#     or MPEG-TS) in real time, how far behind the writer the picture shown stays once playing at the
#     live edge (played from the end of what is on disk when it opens, as an operator going live does),
#     the worst over 20 s; live_decode_errors_<...> counts FFmpeg's errors meanwhile.
#   slow_read_stall_frames_xdcam: frames of the first 30 s never shown at 1x while every read of the
#     file takes 200 ms (the average rate still keeps up).
set -euo pipefail
source "$VELTRA_SOURCE/bench/lib.sh"
bench_build engine_bench
bench_build veltra-make-samples
b="$BENCH_BUILD/bench/engine_bench"
cd "$BENCH_WORK"
bench_input xdcam 60 xdcam.mxf
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
for format in mxf ts; do
  name=$([ "$format" = mxf ] && echo xdcam || echo ts)
  read -r lag errors < <("$b" live "$BENCH_BUILD/tools/veltra-make-samples" "$format" 20)
  figure "live_edge_lag_s_$name" "$lag" s
  figure "live_decode_errors_$name" "$errors" errors
done
figure slow_read_stall_frames_xdcam "$("$b" slowplay xdcam.mxf 30 0.2)" frames
