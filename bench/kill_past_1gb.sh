#!/usr/bin/env bash
# Measured, not a unit test (it writes more than a gigabyte): a recording in
# "avi native" (or the format given) killed once its file is past 1 GB, so
# avimux has gone on in OpenDML "AVIX" forms, then a start that repairs it.
# Prints the time recorded, what plays after the repair, the loss and the
# repair time. Usage: bench/kill_past_1gb.sh build/release/src/app/vistrel [format] [bytes]
set -euo pipefail
bin="$1"
format="${2:-avi native}"
limit="${3:-1150000000}"
root=$(mktemp -d /tmp/vistrel-1gb.XXXXXX)
trap 'rm -rf "$root"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export HOME="$root" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" VISTREL_PROGRAM_DIR="$root/program"
export VISTREL_TEST_DEVICES=1
mkdir -p "$root/Videos" "$root/program"
printf 'source_video "Vistrel Test Camera"\nsource_audio "Vistrel Test Microphone"\nformat_capture "%s"\nwait 1\ncapture\nwait 3600\nquit\n' \
  "$format" >"$root/record.txt"
"$bin" --answer=no --script="$root/record.txt" >"$root/record.out" 2>"$root/record.err" &
pid=$!
until [ -n "$(ls "$root/Videos")" ]; do sleep 0.1; done
start=$(date +%s.%N)
file=$(ls "$root/Videos"/* | head -1)
while [ "$(stat -c %s "$file")" -lt "$limit" ]; do sleep 0.5; done
kill -9 $pid
end=$(date +%s.%N)
wait $pid 2>/dev/null || true
size=$(stat -c %s "$file")
printf 'quit\n' >"$root/quit.txt"
t0=$(date +%s.%N)
"$bin" --answer=no --script="$root/quit.txt" >"$root/start.out" 2>"$root/start.err"
t1=$(date +%s.%N)
grep "cut off" "$root/start.err" || { echo "no repair reported"; cat "$root/start.err"; exit 1; }
t2=$(date +%s.%N)
"$bin" --repair "$file"
t3=$(date +%s.%N)
errors=$(ffmpeg -v error -i "$file" -f null - 2>&1 | head -3)
played=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")
python3 - "$start" "$end" "$t0" "$t1" "$t2" "$t3" "$played" "$size" <<'PY'
import sys
start, end, t0, t1, t2, t3, played, size = (float(x) for x in sys.argv[1:])
print(f"recorded {end - start:.2f} s, {size / 1e9:.2f} GB; plays {played:.2f} s after the repair; "
      f"lost {end - start - played:.2f} s")
print(f"start with the repair {t1 - t0:.2f} s; --repair of the repaired file {t3 - t2:.2f} s")
PY
[ -z "$errors" ] || { echo "decode errors: $errors"; exit 1; }
echo "decoded without errors"
