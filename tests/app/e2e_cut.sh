#!/usr/bin/env bash
# The real program run by a command file, as a user's unattended session:
# capture 3 s, Cut, 3 s, stop, in the formats whose chain a Cut builds anew and
# in one whose writer takes the new name. Both files must be there, state
# their length, and decode from start to end without an error.
set -euo pipefail
bin="$1"
source "$(dirname "$0")/../sandbox.sh"
use_sandbox
export VISTREL_TEST_DEVICES=1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
camera=("Vistrel Test Camera" "Vistrel Test Microphone")
mpeg=("Vistrel Test MPEG Encoder - Video" "Vistrel Test MPEG Encoder - Audio")
failed=0
run() {
  local format="$1" video="$2" audio="$3"
  rm -rf "$HOME/Videos" "$XDG_CONFIG_HOME"
  mkdir -p "$VISTREL_PROGRAM_DIR" "$HOME/Videos"
  cat >"$sandbox/script.txt" <<SCRIPT
source_video "$video"
source_audio "$audio"
format_capture "$format"
wait 1
capture
wait 3
cut
wait 3
capture
wait 0.5
quit
SCRIPT
  if ! timeout 90 "$bin" --answer=yes --script="$sandbox/script.txt" >"$sandbox/out" 2>"$sandbox/err"; then
    echo "$format: the program failed"; cat "$sandbox/err"; failed=1; return
  fi
  mapfile -t files < <(find "$HOME/Videos" -type f | sort)
  if [[ ${#files[@]} -ne 2 ]]; then
    echo "$format: ${#files[@]} files, two expected: ${files[*]}"; cat "$sandbox/err"; failed=1; return
  fi
  for f in "${files[@]}"; do
    local seconds errors
    seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$f")
    errors=$(ffmpeg -v error -nostdin -i "$f" -f null - 2>&1 || echo "ffmpeg failed")
    if ! awk -v s="$seconds" 'BEGIN { exit !(s > 2.0 && s < 5.0) }'; then
      echo "$format: $(basename "$f") lasts '${seconds}' s, about 3 s expected"; failed=1
    fi
    if [[ -n "$errors" ]]; then echo "$format: $(basename "$f") does not decode: $errors"; failed=1; fi
    echo "$format: $(basename "$f") ${seconds} s"
  done
}
run "dv type 2 (recomp)" "${camera[@]}"
run "Wmv" "${camera[@]}"
run "divx" "${camera[@]}"
run "mpeg2 native stream" "${mpeg[@]}"
exit $failed
