#!/usr/bin/env bash
# Devices that go away and come back while the program runs, against real
# services: a PipeWire camera whose producer is killed by its process id in
# the preview and in a recording (the sound from the PulseAudio monitor), then
# started again; a producer stopped with SIGSTOP during a recording; the
# PulseAudio server stopped and started again. Checks what the program said
# and when, the files (ffprobe and a full decode), and that what is recorded
# after a return holds the returned device. The figures go to stdout.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/e2e_lib.sh"
source "$here/services_lib.sh"
e2e_sandbox
trap 'services_end; rm -rf "$sandbox"' EXIT

cam="PW Gone Cam"
caps="video/x-raw,format=YUY2,width=320,height=240,framerate=25/1"
log="$sandbox/run.err"

services_begin || exit 70
start_pulse || exit 70
pulse_pid=${SERVICE_PIDS[-1]}
start_pipewire || exit 70
play_tone || exit 70
publish_camera "$cam" "$caps" || exit 70
cam_pid=${SERVICE_PIDS[-1]}

now() { date +%s.%N; }
lines() { wc -l <"$log"; }
# seen FROM PATTERN TENTHS: PATTERN is in the log past line FROM within TENTHS
# tenths of a second.
seen() {
  local from=$1 pattern=$2 tenths=$3 i
  for ((i = 0; i < tenths; i++)); do
    tail -n +"$((from + 1))" "$log" | grep -q -- "$pattern" && return 0
    sleep 0.1
  done
  return 1
}
since() { python3 -c "import sys; print('%.2f' % (float(sys.argv[2]) - float(sys.argv[1])))" "$1" "$(now)"; }
within() { python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) <= float(sys.argv[2]) else 1)" "$1" "$2"; }
videos() { ls "$HOME/Videos"/*."$1" 2>/dev/null | wc -l; }
wait_files() {
  local ext=$1 n=$2 i
  for ((i = 0; i < 300; i++)); do
    [[ $(videos "$ext") -ge $n ]] && return 0
    sleep 0.1
  done
  fail "no recording number $n" "$log"
}
# decodes FILE: ffprobe reads it and ffmpeg decodes it to the end without an error.
decodes() {
  ffprobe -v error -show_entries format=duration -of csv=p=0 "$1" >/dev/null || fail "ffprobe cannot read $1"
  local errors
  errors=$(ffmpeg -v error -i "$1" -f null - 2>&1 | head -5)
  [[ -z "$errors" ]] || fail "$1 does not decode: $errors"
}
frames_of() {
  ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$1"
}

# The command file sets the pace; the test acts on what the program says.
# The pace leaves room for the slowest step seen on two loaded cores: the
# fourth recording's producer stopped, told within 4 s, resumed and back
# within 5 s, all before the format change, which makes the source anew and
# starts its watch over (its return would then go untold).
cat >"$sandbox/devices.txt" <<SCRIPT
source_video "$cam"
source_audio "Monitor of VistrelSink"
format_capture "avi native"
wait 9
capture
wait 3
capture
wait 1
capture
wait 7
capture
wait 3
capture
wait 1
capture
wait 14
format_capture "Wav"
wait 10
capture
wait 3
capture
wait 1
quit
SCRIPT

export GST_DEBUG="vistrel-sources:4,vistrel-app:4"
timeout 120 "$bin" --answer=yes --script="$sandbox/devices.txt" >"$sandbox/run.out" 2>"$log" &
app=$!

# 1. The camera goes in the preview, and comes back.
seen 0 "watching \"$cam\"" 100 || fail "the camera was not previewed" "$log"
seen 0 "\"$cam\" delivers" 50 || fail "no picture from the camera" "$log"
sleep 1
from=$(lines)
t=$(now)
kill "$cam_pid"
seen "$from" "\"$cam\" is gone" 20 || fail "the camera's loss in the preview was not noticed within 2 s" "$log"
preview_gone=$(since "$t")
seen "$from" "no picture from $cam" 5 || fail "the video window does not say the camera is away" "$log"
from=$(lines)
t=$(now)
publish_camera "$cam" "$caps" || exit 70
cam_pid=${SERVICE_PIDS[-1]}
seen "$from" "\"$cam\" is back" 20 || fail "the camera's return was not noticed within 2 s" "$log"
seen "$from" "\"$cam\" delivers" 20 || fail "no live preview within 2 s of the camera's return" "$log"
preview_back=$(since "$t")
echo "preview: camera gone noticed in ${preview_gone} s, live again ${preview_back} s after its producer started again"

# 2. Recording 1 after the return holds the camera; recording 2 loses it.
wait_files avi 2
from=$(lines)
sleep 1.5
t=$(now)
kill "$cam_pid"
seen "$from" "was lost at .* during the capture" 20 || fail "the loss during the capture was not told within 2 s" "$log"
capture_gone=$(since "$t")
grep -q "keeps what was recorded until [0-9][0-9]:[0-9][0-9]:[0-9][0-9]" "$log" || fail "the message does not say until when" "$log"
from=$(lines)
t=$(now)
publish_camera "$cam" "$caps" || exit 70
cam_pid=${SERVICE_PIDS[-1]}
seen "$from" "\"$cam\" delivers" 20 || fail "no live preview within 2 s of the camera's return" "$log"
capture_back=$(since "$t")
echo "capture: loss told in ${capture_gone} s; live again ${capture_back} s after its producer started again"

# 3. Recording 3 after that return; recording 4 loses its frames (SIGSTOP).
wait_files avi 4
sleep 1.5
from=$(lines)
t=$(now)
kill -STOP "$cam_pid"
seen "$from" "was lost at .* during the capture" 40 || { kill -CONT "$cam_pid"; fail "a stopped producer was not noticed within 4 s" "$log"; }
stall_gone=$(since "$t")
seen "$from" "no picture from $cam" 40 || { kill -CONT "$cam_pid"; fail "the preview does not say the stopped camera sends nothing" "$log"; }
from=$(lines)
t=$(now)
kill -CONT "$cam_pid"
# On a loaded machine a resumed producer was seen taking over 2 s to send
# its first frame again (once, in a full run on 2 cores).
seen "$from" "\"$cam\" is back" 50 || fail "the frames of a resumed producer were not noticed within 5 s" "$log"
stall_back=$(since "$t")
echo "stopped producer: told in ${stall_gone} s (2 s without frames), back ${stall_back} s after it resumed"

# 4. The sound server restarts; the Wav recording after it holds the tone.
sleep 1
from=$(lines)
t=$(now)
kill "$pulse_pid"
seen "$from" "\"Monitor of VistrelSink\" is gone" 30 || fail "the sound server's end was not noticed within 3 s" "$log"
pulse_gone=$(since "$t")
from=$(lines)
t=$(now)
start_pulse || exit 70
play_tone || exit 70
seen "$from" "\"Monitor of VistrelSink\" is back" 30 || fail "the monitor was not taken again within 3 s" "$log"
pulse_back=$(since "$t")
echo "sound server: end noticed in ${pulse_gone} s, monitor back ${pulse_back} s after the server started again"

wait "$app" || fail "the program failed ($?)" "$log"
no_crash_signs "$log"

mapfile -t avis < <(ls -tr "$HOME/Videos"/*.avi)
[[ ${#avis[@]} -eq 4 ]] || fail "${#avis[@]} AVI files, 4 recorded" "$log"
for f in "${avis[@]}"; do decodes "$f"; done
for i in 0 2; do
  n=$(frames_of "${avis[i]}")
  # 3 s at 25 fps of a camera that is there.
  [[ "$n" -ge 50 ]] || fail "recording $((i + 1)), after the camera came back, holds $n frames for 3 s"
done
for i in 1 3; do
  d=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "${avis[i]}")
  within "$d" 4 || fail "recording $((i + 1)) went on ${d} s after its camera was lost"
done
echo "AVI frames: $(for f in "${avis[@]}"; do printf '%s ' "$(frames_of "$f")"; done)"
wav=$(ls "$HOME/Videos"/*.wav | head -1)
decodes "$wav"
expect_tone "$wav" 2
echo "devices: lost and found again in the preview and the recordings; the monitor back after the server restart"
