#!/usr/bin/env bash
# A long recording through the real program: memory over time (peak RSS
# growth after the first 20 s of capture) and, from the file, the difference
# between the audio and video durations.
# Usage: scripts/measure_long_recording.sh [vistrel-binary] [seconds] [format]
set -euo pipefail
bin=${1:-build/release/src/app/vistrel}
seconds=${2:-600}
format=${3:-divx}
[ -x "$bin" ] || { echo "no $bin: build first" >&2; exit 1; }
sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
export HOME="$sandbox" XDG_CONFIG_HOME="$sandbox/config" XDG_DATA_HOME="$sandbox/data" VISTREL_PROGRAM_DIR="$sandbox/program"
mkdir -p "$VISTREL_PROGRAM_DIR" "$HOME/Videos" "$HOME/Pictures"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
cat >"$sandbox/long.txt" <<CMDS
source_video "Vistrel Test Capture Card - Video"
source_audio "Vistrel Test Capture Card - Audio"
format_capture "$format"
wait 1
capture
wait $seconds
capture
wait 1
quit
CMDS
VISTREL_TEST_DEVICES=1 "$bin" --answer=yes --script="$sandbox/long.txt" >"$sandbox/out" 2>"$sandbox/err" &
pid=$!
start=$(date +%s)
base=0
peak=0
while kill -0 "$pid" 2>/dev/null; do
  rss=$(awk '/VmRSS/{print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
  elapsed=$(( $(date +%s) - start ))
  if [ "$elapsed" -ge 22 ] && [ "$base" -eq 0 ]; then base=$rss; fi
  if [ "$base" -gt 0 ] && [ "${rss:-0}" -gt "$peak" ]; then peak=$rss; fi
  if [ $((elapsed % 60)) -lt 5 ] && [ "$elapsed" -gt 0 ]; then echo "t=${elapsed}s RSS $((rss / 1024)) MiB"; fi
  sleep 5
done
wait "$pid" || { echo "vistrel failed"; tail -20 "$sandbox/err"; exit 1; }
file=$(ls -t "$HOME/Videos"/* | head -1)
dur() { ffprobe -v error -select_streams "$1" -show_entries stream=duration -of csv=p=0 "$file" | head -1; }
frames=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$file")
# PCM in AVI states no duration: add up its packets instead.
dur_sum() { ffprobe -v error -select_streams "$1" -show_entries packet=duration_time -of csv=p=0 "$file" | awk '{s+=$1} END{printf "%.6f", s}'; }
v=$(dur v); [[ "$v" =~ ^[0-9.]+$ ]] || v=$(dur_sum v)
a=$(dur a); [[ "$a" =~ ^[0-9.]+$ ]] || a=$(dur_sum a)
echo "file: $(basename "$file") $(stat -c %s "$file") bytes, $frames video frames"
echo "video duration: $v s, audio duration: $a s"
awk -v v="$v" -v a="$a" 'BEGIN{d=v-a; if (d<0) d=-d; printf "audio/video difference: %.3f s (%.2f frame periods at 25 fps)\n", d, d*25}'
echo "RSS after 20 s of capture: $((base / 1024)) MiB, peak later: $((peak / 1024)) MiB, growth $(((peak - base) / 1024)) MiB"
