#!/usr/bin/env bash
# The unattended demo: the real program records from the test devices, grabs
# a still, quits by itself and prints what it wrote; the video must play.
set -euo pipefail
bin="$1"
source "$(dirname "$0")/../sandbox.sh"
use_sandbox
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
out=$(timeout 60 "$bin" --demo 2>"$sandbox/err") || { echo "demo failed"; cat "$sandbox/err"; exit 1; }
echo "$out"
video=$(echo "$out" | grep -E '\.(avi|wmv|mpg)$' | head -1)
[[ -n "$video" && -s "$video" ]] || { echo "no video file printed"; cat "$sandbox/err"; exit 1; }
[[ "$video" == "$HOME/Videos/"* ]] || { echo "video outside the video folder: $video"; exit 1; }
info=$(gst-discoverer-1.0 "$video")
grep -q "video" <<<"$info" || { echo "no video stream in $video"; echo "$info"; exit 1; }
grep -q "audio" <<<"$info" || { echo "no audio stream in $video"; echo "$info"; exit 1; }
seconds=$(echo "$info" | sed -n 's/^ *Duration: 0:00:\([0-9]*\)\..*/\1/p')
[[ -n "$seconds" && "$seconds" -ge 3 && "$seconds" -le 7 ]] || { echo "duration ${seconds:-?} s, 5 s asked"; echo "$info"; exit 1; }
# An unattended run tells each file with its frame counts.
told=$(sed -n "s|^vistrel: recorded $video: \([0-9]*\) frames, \([0-9]*\) dropped$|\1 \2|p" "$sandbox/err")
read -r frames dropped <<<"$told"
[[ -n "${frames:-}" && $frames -ge 60 && $frames -le 200 ]] || { echo "frames not told (${told:-nothing})"; cat "$sandbox/err"; exit 1; }
echo "demo wrote a playable ${seconds}s video ($frames frames, $dropped dropped)"
