#!/usr/bin/env bash
# A recording killed (SIGKILL) 5 s in, in every format, then a start that
# repairs it before the window opens: the user is told, the file plays from
# its start to where it stopped (ffprobe, a full decode by ffmpeg), with
# sound, and losing at most about a second (an MP4 the fragment it was
# writing and what its encoder held: two). A second repair changes nothing.
source "$(dirname "$0")/e2e_lib.sh" "$@"

# name | video source | audio source | format | sound expected [| seconds it may lose, 1 when not given]
cases=(
  "avi|Vistrel Test Camera|Vistrel Test Microphone|avi native|1"
  "divx|Vistrel Test Camera|Vistrel Test Microphone|divx|1"
  "dv2r|Vistrel Test Camera|Vistrel Test Microphone|dv type 2 (recomp)|1"
  "wmv|Vistrel Test Camera|Vistrel Test Microphone|Wmv|1"
  "dv1|DV Source - Video|DV Source - Audio|dv type 1 natifve|1"
  "dv2|DV Source - Video|DV Source - Audio|dv type 2 native|1"
  "mpg|Vistrel Test MPEG Encoder - Video|Vistrel Test MPEG Encoder - Audio|mpeg2 native stream|1"
  "wav|no video stream|Vistrel Test Microphone|Wav|1"
  "mp3|no video stream|Vistrel Test Microphone|mp3|1"
  "mp4|Vistrel Test Camera|Vistrel Test Microphone|mp4 (H.264)|1|2"
  "mp4card|Vistrel Test Capture Card - Video|Vistrel Test Capture Card - Audio|mp4 (H.264)|1|2"
  "mp4dv|DV Source - Video|DV Source - Audio|mp4 (H.264)|1|2"
)

env_for() {  # a home of its own for each case, so cases run side by side
  home_env "$root/$1"
}

# Records, kills 5 s after the file appears, and writes the time it ran.
record_and_kill() {
  local name=$1 video=$2 audio=$3 format=$4 d="$root/$1"
  mkdir -p "$d/Videos" "$d/program"
  printf 'source_video "%s"\nsource_audio "%s"\nformat_capture "%s"\nwait 1\ncapture\nwait 60\nquit\n' \
    "$video" "$audio" "$format" >"$d/record.txt"
  env $(env_for "$name") "$bin" --answer=no --script="$d/record.txt" >"$d/record.out" 2>"$d/record.err" &
  local pid=$! start=""
  for _ in $(seq 150); do
    if [ -n "$(ls "$d/Videos")" ]; then start=$(date +%s.%N); break; fi
    sleep 0.1
  done
  [ -n "$start" ] || { kill -9 $pid; echo "$name: no file was started" >"$d/fail"; return; }
  sleep 5
  kill -9 $pid
  wait $pid 2>/dev/null || true
  python3 -c "import sys; print(float(sys.argv[2]) - float(sys.argv[1]))" "$start" "$(date +%s.%N)" >"$d/ran"
}

check() {
  local name=$1 sound=$5 loss=${6:-1} d="$root/$1"
  [ -f "$d/fail" ] && { cat "$d/fail"; return 1; }
  local file
  file=$(ls "$d/Videos"/* | head -1)
  [ -f "$d/config/Brenvik/recordings.journal" ] || { echo "$name: the killed recording is not in the journal"; return 1; }
  printf 'quit\n' >"$d/quit.txt"
  env $(env_for "$name") timeout 60 "$bin" --answer=no --script="$d/quit.txt" >"$d/start.out" 2>"$d/start.err" ||
    { echo "$name: the start after the kill failed"; cat "$d/start.err"; return 1; }
  grep -q "cut off" "$d/start.err" && grep -qE "$(basename "$file"): (repaired|plays as it is)" "$d/start.err" ||
    { echo "$name: the user was not told of the repair"; cat "$d/start.err"; return 1; }
  [ ! -f "$d/config/Brenvik/recordings.journal" ] || { echo "$name: the journal still holds the file"; return 1; }
  local errors
  errors=$(ffmpeg -v error -i "$file" -f null - 2>&1) || true
  [ -z "$errors" ] || { echo "$name: ffmpeg decode errors:"; echo "$errors" | head -5; return 1; }
  ffprobe -v error -count_frames -show_format -show_streams -of json "$file" >"$d/probe.json"
  python3 - "$d/probe.json" "$(cat "$d/ran")" "$sound" "$name" "$loss" <<'PY' || return 1
import json, sys
p = json.load(open(sys.argv[1])); ran = float(sys.argv[2]); sound = sys.argv[3] == "1"; name = sys.argv[4]
loss = float(sys.argv[5])
def fail(why): print(f"{name}: {why} (ran {ran:.2f} s)"); sys.exit(1)
dur = float(p["format"].get("duration", "-1"))
if abs(dur - ran) > loss: fail(f"duration {dur:.2f} s")
video = [s for s in p["streams"] if s["codec_type"] == "video"]
audio = [s for s in p["streams"] if s["codec_type"] == "audio"]
for v in video:
    n, d = (int(x) for x in v["r_frame_rate"].split("/"))
    frames = int(v.get("nb_read_frames", "0")); expected = ran * n / d
    if abs(frames - expected) > max(25, loss * n / d): fail(f"{frames} video frames, about {expected:.0f} written")
if sound and (not audio or int(audio[0].get("nb_read_frames", "0")) == 0): fail("no sound")
print(f"{name}: {dur:.2f} s, {sum(int(v.get('nb_read_frames', 0)) for v in video)} frames, sound {bool(audio)} (ran {ran:.2f} s)")
PY
  local before after
  before=$(md5sum <"$file")
  "$bin" --repair "$file" | grep -E "whole|plays as it is" >/dev/null || { echo "$name: a second repair did something"; return 1; }
  after=$(md5sum <"$file")
  [ "$before" = "$after" ] || { echo "$name: a second repair changed the file"; return 1; }
}

# Recordings three at a time (two cores, and a recording mostly waits); the
# checks one by one, as decoding keeps a core busy.
run_batches() {
  local step=$1
  for ((i = 0; i < ${#cases[@]}; i += 3)); do
    for c in "${cases[@]:i:3}"; do
      IFS='|' read -r name video audio format sound loss <<<"$c"
      if [ "$step" = record ]; then
        record_and_kill "$name" "$video" "$audio" "$format" &
      else
        check "$name" "$video" "$audio" "$format" "$sound" "$loss" >"$root/$name.result" 2>&1 || touch "$root/$name.failed"
      fi
    done
    wait
  done
}
run_batches record
run_batches check
failed=0
for c in "${cases[@]}"; do
  IFS='|' read -r name _ <<<"$c"
  cat "$root/$name.result"
  [ ! -f "$root/$name.failed" ] || failed=1
done
exit $failed
