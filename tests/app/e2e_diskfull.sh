#!/usr/bin/env bash
# Captures into a folder on a small file system, one per sound-carrying AVI
# format and WAV: the capture stops by itself before the disk is full, the file
# is finished (header, index, sound) and plays to where it stopped, the user is
# told which file holds what, and a new Capture on the nearly full disk is
# refused without leaving an empty file.
# Then a disk that another program fills to zero during the capture: the user
# is told, the file is either finished or left in the journal, a WAV never
# claims bytes it does not hold, and the next start, with room again, repairs
# what was left so that it plays.
set -euo pipefail
bin="$1"
# The small disk is a tmpfs mounted in a namespace of its own: a machine that
# cannot make one cannot run the test, which is a failure, not a pass.
unshare -r -m true 2>/dev/null || { echo "FAIL: user namespaces are unavailable: no small disk to fill"; exit 1; }
# longer_than D S: D is a number of seconds above S ("N/A", a duration
# ffprobe could not read, is not).
longer_than() { awk -v d="$1" -v s="$2" 'BEGIN { exit !(d ~ /^[0-9]+(\.[0-9]+)?$/ && d + 0 > s + 0) }'; }
export -f longer_than
source "$(dirname "$0")/../sandbox.sh"
use_sandbox
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
    longer_than "$duration" 0.5 || { echo "duration $duration"; exit 1; }
    ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$file" | grep audio >/dev/null || { echo "no sound"; exit 1; }
    errors=$(ffmpeg -nostdin -v error -i "$file" -f null - 2>&1 | head -5)
    [ -z "$errors" ] || { echo "decoding errors: $errors"; exit 1; }
    echo "$2: $(du -k "$file" | cut -f1) kB, ${duration} s"
  ' "$bin" "$sandbox/script.txt" "$format"
done

for format in "divx" "Wav"; do
  cat >"$sandbox/script.txt" <<SCRIPT
source_video "Vistrel Test Camera"
source_audio "Vistrel Test Microphone"
format_capture "$format"
wait 1
capture
wait 6
quit
SCRIPT
  printf 'quit\n' >"$sandbox/quit.txt"
  unshare -r -m bash -c '
    set -e
    videos="$HOME/Videos" journal="$XDG_CONFIG_HOME/Brenvik/recordings.journal"
    mount -t tmpfs -o size=64m tmpfs "$videos"
    rm -f "$journal"
    format="$2"
    fail() { echo "$format: $2"; cat "$1.err"; exit 1; }
    timeout 60 "$0" --answer=yes --script="$1" >"$1.out" 2>"$1.err" &
    pid=$!
    for _ in $(seq 100); do [ -n "$(ls "$videos")" ] && break; sleep 0.1; done
    sleep 2
    dd if=/dev/zero of="$videos/filler" bs=1M status=none 2>/dev/null || true
    [ "$(df -k --output=avail "$videos" | tail -1)" -lt 1024 ] || fail "$1" "the filler left room"
    wait $pid || fail "$1" "program failed"
    files=$(ls "$videos" | grep -v "^filler$" || true)
    [ "$(echo "$files" | grep -c .)" = 1 ] || fail "$1" "expected one file: $files"
    file="$videos/$files"
    grep -q "The capture stopped because" "$1.err" || fail "$1" "user not told"
    # Left to the next start, or finished now and playing as it is.
    left=0
    if [ -f "$journal" ] && grep -qF "$files" "$journal"; then
      left=1
      grep -q "It will be repaired at the next start" "$1.err" || fail "$1" "left unfinished without a word"
    else
      errors=$(ffmpeg -nostdin -v error -i "$file" -f null - 2>&1 | head -5)
      [ -z "$errors" ] || fail "$1" "taken out of the journal but not whole: $errors"
    fi
    if [ "$2" = Wav ]; then
      python3 - "$file" <<"PY" || fail "$1" "WAV header"
import struct, sys
data = open(sys.argv[1], "rb").read()
if data[:4] != b"RIFF" or data[8:12] != b"WAVE": sys.exit("not a RIFF WAVE")
if struct.unpack("<I", data[4:8])[0] > len(data) - 8: sys.exit("RIFF size past the end")
at = 12
while at + 8 <= len(data):
    tag, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
    if tag == b"data":
        sys.exit(None if size <= len(data) - at - 8 else f"data claims {size} bytes, {len(data) - at - 8} there")
    at += 8 + size + (size & 1)
sys.exit("no data chunk")
PY
    fi
    rm "$videos/filler"
    timeout 60 "$0" --answer=no --script="$3" >"$3.out" 2>"$3.err" || fail "$3" "restart failed"
    if [ $left = 1 ]; then
      grep -q "cut off" "$3.err" || fail "$3" "not repaired at the restart"
    fi
    [ ! -f "$journal" ] || ! grep -qF "$files" "$journal" || fail "$3" "still in the journal"
    duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")
    longer_than "$duration" 0.5 || fail "$3" "duration $duration"
    ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$file" | grep -q audio || fail "$3" "no sound"
    errors=$(ffmpeg -nostdin -v error -i "$file" -f null - 2>&1 | head -5)
    [ -z "$errors" ] || fail "$3" "decoding errors: $errors"
    echo "$2 on a disk filled to zero: $(du -k "$file" | cut -f1) kB, ${duration} s, left to the restart: $left"
  ' "$bin" "$sandbox/script.txt" "$format" "$sandbox/quit.txt"
done
echo "low disk: every capture stopped before the disk was full, finished, user told"
echo "disk filled to zero: user told, nothing claimed that is not there, repaired at the next start"
