# ui_block_max_ms: the longest time the window's event loop did not run (a 2 ms timer noting its own
#   lateness) while the player window, on the real engine, opened every sample recording one after
#   another, played, seeked, paused, marked, stopped, exported with "copy" and with a re-encode, and
#   closed; on local files (_local) and with every read held 2 s after each of the operator's actions
#   (_held_2s). fs_block_max_ms: the same while the handlers listed the channel folders (file-system
#   work the window does itself), reported apart, no goal.
set -euo pipefail
source "$VELTRA_SOURCE/bench/lib.sh"
bench_build veltra-bench-window veltra-make-samples
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$BENCH_WORK/config"
"$BENCH_BUILD/tools/veltra-make-samples" "$BENCH_WORK/Samples" --date 2025-07-05 >/dev/null

worst_fs=0
for run in local:0 held_2s:2000; do
  label=${run%%:*}
  out=$("$BENCH_BUILD/bench/veltra-bench-window" "$BENCH_WORK/Samples" 2025-07-05 --held-ms "${run##*:}")
  engine=$(awk '$1 == "engine" { print $2 }' <<<"$out")
  fs=$(awk '$1 == "fs" { print $2 }' <<<"$out")
  figure "ui_block_max_ms_$label" "$engine" ms
  worst_fs=$(awk -v a="$worst_fs" -v b="$fs" 'BEGIN { print (b > a ? b : a) }')
done
figure fs_block_max_ms "$worst_fs" ms
