#!/usr/bin/env bash
# A capture into a folder on a tiny file system: when the disk fills, the
# capture stops the normal way, the file stays with what fitted, the user is
# told, and the program goes on and quits when asked.
set -euo pipefail
bin="$1"
if ! unshare -r -m true 2>/dev/null; then echo "user namespaces unavailable: skipped"; exit 77; fi
sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
export HOME="$sandbox" XDG_CONFIG_HOME="$sandbox/config" XDG_DATA_HOME="$sandbox/data" VISTREL_PROGRAM_DIR="$sandbox/program"
export VISTREL_TEST_DEVICES=1
mkdir -p "$VISTREL_PROGRAM_DIR" "$HOME/Videos"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
cat >"$sandbox/script.txt" <<'SCRIPT'
source_video "Vistrel Test Camera"
source_audio "no audio stream"
format_capture "avi native"
wait 1
capture
wait 6
wait 1
quit
SCRIPT
# The file system is mounted in a private namespace and only lives as long as
# this shell, so the file is checked from inside it.
unshare -r -m bash -c '
  set -e
  mount -t tmpfs -o size=2m tmpfs "$HOME/Videos"
  timeout 60 "$0" --answer=no --script="$1" >"$1.out" 2>"$1.err" || { echo "program failed ($?)"; cat "$1.err"; exit 1; }
  file=$(ls "$HOME/Videos"/*.avi | head -1)
  [ -s "$file" ] || { echo "no file kept"; ls -l "$HOME/Videos"; cat "$1.err"; exit 1; }
  grep -q "The capture stopped because of an error" "$1.err" || { echo "user not told"; cat "$1.err"; exit 1; }
  grep -q "No space left\|space" "$1.err" || { echo "cause not named"; cat "$1.err"; exit 1; }
  ls -l "$file"
  # What fitted plays: the header was finished, a video stream with a duration.
  info=$(gst-discoverer-1.0 "$file")
  echo "$info" | grep -q "video #" || { echo "no readable video stream"; echo "$info"; exit 1; }
  if echo "$info" | grep -qE "Duration: 0:00:00\.0+$"; then echo "no duration"; echo "$info"; exit 1; fi
' "$bin" "$sandbox/script.txt"
echo "disk full: capture stopped, file kept, user told"
