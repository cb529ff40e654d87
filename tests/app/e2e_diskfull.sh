#!/usr/bin/env bash
# Captures into a folder on a small file system, one per sound-carrying AVI
# format and WAV: the capture stops by itself before the disk is full, the file
# is finished (header, index, sound) and plays to where it stopped, the user is
# told which file holds what, and a new Capture on the nearly full disk is
# refused without leaving an empty file.
set -euo pipefail
bin="$1"
if ! unshare -r -m true 2>/dev/null; then echo "user namespaces unavailable: skipped"; exit 77; fi
sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
export HOME="$sandbox" XDG_CONFIG_HOME="$sandbox/config" XDG_DATA_HOME="$sandbox/data" VISTREL_PROGRAM_DIR="$sandbox/program"
export VISTREL_TEST_DEVICES=1
mkdir -p "$VISTREL_PROGRAM_DIR" "$HOME/Videos"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
for format in "avi native" "divx" "dv type 2 (recomp)" "Wav"; do
  cat >"$sandbox/script.txt" <<SCRIPT
source_video "Vistrel Test Camera"
source_audio "Vistrel Test Microphone"
format_capture "$format"
wait 1
capture
wait 25
capture
wait 1
quit
SCRIPT
  # The file system is mounted in a private namespace and only lives as long as
  # this shell, so the file is checked from inside it. A filler leaves a little
  # more than the 50 MB the capture keeps free.
  unshare -r -m bash -c '
    set -e
    mount -t tmpfs -o size=64m tmpfs "$HOME/Videos"
    free_kb=$(df -k --output=avail "$HOME/Videos" | tail -1)
    dd if=/dev/zero of="$HOME/Videos/filler" bs=1k count=$((free_kb - 52 * 1024)) status=none
    timeout 80 "$0" --answer=yes --script="$1" >"$1.out" 2>"$1.err" || { echo "program failed ($?)"; cat "$1.err"; exit 1; }
    files=$(ls "$HOME/Videos" | grep -v "^filler$" || true)
    [ "$(echo "$files" | grep -c .)" = 1 ] || { echo "expected one file: $files"; cat "$1.err"; exit 1; }
    file="$HOME/Videos/$files"
    [ -s "$file" ] || { echo "empty file"; cat "$1.err"; exit 1; }
    grep -q "Only [0-9]* MB are free" "$1.err" || { echo "start on a low disk not asked"; cat "$1.err"; exit 1; }
    grep -q "The capture stopped because the disk holding .* has only [0-9]* MB left" "$1.err" ||
      { echo "user not told"; cat "$1.err"; exit 1; }
    grep -q "The file $file keeps what was recorded until" "$1.err" || { echo "file not named"; cat "$1.err"; exit 1; }
    grep -q "The capture does not start" "$1.err" || { echo "second capture not refused"; cat "$1.err"; exit 1; }
    ls -l "$file"
    # What was recorded plays: a duration, sound, and no decoding error to the end.
    duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")
    awk -v d="$duration" "BEGIN { exit !(d > 0.5) }" || { echo "duration $duration"; exit 1; }
    ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$file" | grep audio >/dev/null || { echo "no sound"; exit 1; }
    errors=$(ffmpeg -nostdin -v error -i "$file" -f null - 2>&1 | head -5)
    [ -z "$errors" ] || { echo "decoding errors: $errors"; exit 1; }
    echo "$2: $(du -k "$file" | cut -f1) kB, ${duration} s"
  ' "$bin" "$sandbox/script.txt" "$format"
done
echo "low disk: every capture stopped before the disk was full, finished, user told"
