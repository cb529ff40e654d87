#!/usr/bin/env bash
# A capture from a sound server source that gives silence: the PulseAudio null
# sink's monitor with nothing playing into it. An unattended run must tell
# the silence on stderr once 5 s of it went by, not before, and that the sound
# is back within a second or two of a tone starting to play into the sink,
# and the recording must go on to a file that plays.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/e2e_lib.sh"
source "$here/services_lib.sh"
e2e_sandbox
trap 'services_end; rm -rf "$sandbox"' EXIT

log="$sandbox/run.err"
services_begin || exit 70
start_pulse || exit 70

cat >"$sandbox/silent.txt" <<'SCRIPT'
source_video "Vistrel Test Camera"
source_audio "Monitor of VistrelSink"
format_capture "avi native"
wait 1
capture
wait 16
capture
wait 1
quit
SCRIPT

now() { date +%s.%N; }
elapsed() { python3 -c "import sys; print('%.2f' % (float(sys.argv[2]) - float(sys.argv[1])))" "$1" "$(now)"; }
# seen PATTERN TENTHS: PATTERN is in the log within TENTHS tenths of a second.
seen() {
  local i
  for ((i = 0; i < $2; i++)); do
    grep -q -- "$1" "$log" && return 0
    sleep 0.1
  done
  return 1
}

export GST_DEBUG="vistrel-app:4"
timeout 60 "$bin" --test-devices --answer=yes --script="$sandbox/silent.txt" >"$sandbox/run.out" 2>"$log" &
app=$!

# The capture's file appearing marks its start closely enough.
for ((i = 0; i < 150; i++)); do
  ls "$HOME/Videos"/*.avi >/dev/null 2>&1 && break
  sleep 0.1
done
ls "$HOME/Videos"/*.avi >/dev/null 2>&1 || fail "the capture did not start" "$log"
t=$(now)
seen 'notice: The sound from "Monitor of VistrelSink" has been below -60 dBFS for 5 s' 90 ||
  fail "the silence was not told within 9 s of the capture's start" "$log"
told=$(elapsed "$t")
python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) >= 4.5 else 1)" "$told" ||
  fail "the silence was told after ${told} s, before 5 s of it" "$log"

t=$(now)
play_tone || exit 70
seen 'the sound from "Monitor of VistrelSink" is back' 30 || fail "the tone's return was not told within 3 s" "$log"
echo "silence told ${told} s after the capture began; sound back told $(elapsed "$t") s after the tone started"

wait "$app" || fail "the program ended with status $?" "$log"
no_crash_signs "$log"
[[ $(grep -c 'notice: The sound from' "$log") -eq 1 ]] || fail "the silence notice was not given exactly once" "$log"
file=$(ls "$HOME/Videos"/*.avi | head -1)
ffprobe -v error -show_entries format=duration -of csv=p=0 "$file" >/dev/null || fail "ffprobe cannot read $file"
echo "PASS"
