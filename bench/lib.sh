# Helpers for bench/*.bench.sh (sourced). bench/run.sh sets VELTRA_SOURCE, BENCH_BUILD, BENCH_JOBS and
# BENCH_WORK (an empty scratch folder for this benchmark, removed afterwards).

# bench_build target...: builds the targets in the release build.
bench_build() {
  cmake --build "$BENCH_BUILD" -j"$BENCH_JOBS" --target "$@" >/dev/null
}

# bench_h264_mp4 seconds file [video option...]: 1080p29.97 H.264 (GOPs of 60) with two AAC tones as
# stereo; the options are added to the video encoder's.
bench_h264_mp4() {
  local seconds=$1 out=$2
  shift 2
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30000/1001" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000" -f lavfi -i "sine=frequency=660:sample_rate=48000" \
    -filter_complex "[1][2]amerge=inputs=2[a]" -map 0:v -map "[a]" -t "$seconds" \
    -c:v libx264 -preset ultrafast "$@" -g 60 -c:a aac -b:a 192k "$out"
}

# bench_mpeg2_mxf seconds file: 1080i29.97 MPEG-2 (30 Mb/s, GOPs of 15) in MXF with 16 mono PCM tones.
bench_mpeg2_mxf() {
  local seconds=$1 out=$2 tones=() maps=() c
  for c in $(seq 0 15); do
    tones+=(-f lavfi -i "sine=frequency=$((300 + 50 * c)):sample_rate=48000")
    maps+=(-map "$((c + 1)):a")
  done
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30000/1001" "${tones[@]}" -map 0:v "${maps[@]}" \
    -t "$seconds" -c:v mpeg2video -b:v 30M -flags +ildct+ilme -top 1 -g 15 -c:a pcm_s16le -f mxf "$out"
}

# bench_seconds command...: wall time of one run in seconds; the command's output is discarded.
bench_seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }'
}

# bench_best_of n command...: the shortest of n runs, in seconds.
bench_best_of() {
  local n=$1 best="" t
  shift
  for ((i = 0; i < n; i++)); do
    t=$(bench_seconds "$@")
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

# figure name value unit [ref]: prints the figure line; with ref, also the reference and ours/ref.
figure() {
  local name=$1 value=$2 unit=$3 ref=${4:-}
  if [ -n "$ref" ]; then
    printf 'FIGURE %s %.3f %s ref=%.3f ratio=%.3f\n' "$name" "$value" "$unit" "$ref" "$(awk -v v="$value" -v r="$ref" 'BEGIN { print v / r }')"
  else
    printf 'FIGURE %s %.3f %s\n' "$name" "$value" "$unit"
  fi
}
