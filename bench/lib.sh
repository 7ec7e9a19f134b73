# Helpers for bench/*.bench.sh (sourced). bench/run.sh sets VELTRA_SOURCE, BENCH_BUILD, BENCH_JOBS and
# BENCH_WORK (an empty scratch folder for this benchmark, removed afterwards).

# bench_build target...: builds the targets in the release build.
bench_build() {
  cmake --build "$BENCH_BUILD" -j"$BENCH_JOBS" --target "$@" >/dev/null
}

# Reference inputs (xdcam, xdcam_closed, h264, h264i: see `veltra-make-samples` and
# tools/samples/include/samples/SampleClips.h) are encoded once per recipe and kept in BENCH_CACHE
# (default ~/.cache/veltra-bench-inputs); the key is the tool's recipe text with the generator's sources
# (but the list of sample recordings), so a change to either makes a new file. Runs that share the cache wait for one another's encode.
BENCH_CACHE="${BENCH_CACHE:-$HOME/.cache/veltra-bench-inputs}"

# bench_cached key command...: the cached file for key, made by command (which writes the path given as
# its last argument) when it is missing; prints its path.
bench_cached() {
  local key=$1 file
  shift
  file="$BENCH_CACHE/$key"
  mkdir -p "$BENCH_CACHE"
  (
    flock 9
    if [ ! -s "$file" ]; then
      local part="$BENCH_CACHE/.part.$$.${key##*.}"
      "$@" "$part" && mv -f "$part" "$file" || { rm -f "$part"; exit 1; }
    fi
  ) 9>"$file.lock" || return 1
  echo "$file"
}

# bench_input name seconds file [--small]: the reference input of that length, linked at file (whose
# extension is the input's own: .mxf, .mp4 or .ts).
bench_input() {
  local name=$1 seconds=$2 out=$3 small=${4:-} tool="$BENCH_BUILD/tools/veltra-make-samples" key cached
  bench_build veltra-make-samples
  key=$({ "$tool" recipe "$name" "$seconds" $small &&
    find "$VELTRA_SOURCE/tools/samples" -type f ! -name SampleTree.cpp | LC_ALL=C sort | xargs cat; } |
    sha1sum | cut -c1-16)
  cached=$(bench_cached "$name-$seconds${small:+-small}-$key.${out##*.}" "$tool" input "$name" "$seconds" $small) || return 1
  ln -sf "$cached" "$out"
}

# bench_input_long name minutes file: the input as a stream-copied loop of its 60 s segment, as long
# recordings are tested without encoding them (the frame code restarts every minute).
bench_input_long() {
  local name=$1 minutes=$2 out=$3 segment cached
  segment="$BENCH_WORK/.segment-$name.${out##*.}"
  bench_input "$name" 60 "$segment" || return 1
  cached=$(bench_cached "$name-${minutes}min-$(basename "$(readlink "$segment")")" \
    bench_loop "$(readlink -f "$segment")" "$minutes" "$(bench_muxer "$out")") || return 1
  ln -sf "$cached" "$out"
}

# bench_loop segment times muxer file: the segment copied `times` times over. The concat demuxer keeps
# the timestamps running where -stream_loop overlaps them at the seams of a transport stream; the start
# timecode is carried over by hand, as concat drops the container's tags.
bench_loop() {
  local segment=$1 times=$2 muxer=$3 out=$4 list="$BENCH_WORK/.loop.txt" timecode i
  for ((i = 0; i < times; i++)); do printf "file '%s'\n" "$segment"; done >"$list"
  timecode=$(ffprobe -v error -show_entries format_tags=timecode -of csv=p=0 "$segment")
  ffmpeg -v error -y -f concat -safe 0 -i "$list" -map 0 -c copy ${timecode:+-metadata timecode="$timecode"} \
    -f "$muxer" "$out"
}

# bench_muxer file: the ffmpeg muxer for the file's extension.
bench_muxer() {
  case "${1##*.}" in
    mxf) echo mxf ;; mp4) echo mp4 ;; ts) echo mpegts ;; *) echo "no muxer for $1" >&2; return 1 ;;
  esac
}

# The export and smart-cut benchmarks still use these flat inputs of their own (their reference commands
# count frames at 29.97).
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
