#!/usr/bin/env bash
# The real program on a desktop with PulseAudio: the preview plays sound to
# the server (test microphone, then the null sink's monitor carrying a live
# tone), and Wav, mp3 and every video format with sound are recorded from the
# monitor. The files must hold the tone and the program must exit 0.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/e2e_lib.sh"
e2e_sandbox

cat >"$sandbox/sound.txt" <<'SCRIPT'
source_video "no video stream"
source_audio "Vistrel Test Microphone"
wait 2
source_audio "Monitor of VistrelSink"
format_capture "Wav"
wait 1
capture
wait 3
capture
format_capture "mp3"
wait 0.5
capture
wait 3
capture
wait 0.5
quit
SCRIPT
{
  echo 'source_video "Vistrel Test Camera"'
  echo 'source_audio "Monitor of VistrelSink"'
  echo 'wait 1'
  for f in "divx" "avi native" "dv type 2 (recomp)" "Wmv"; do
    printf 'format_capture "%s"\nwait 0.5\ncapture\nwait 4\ncapture\nwait 0.5\n' "$f"
  done
  echo 'quit'
} >"$sandbox/divx.txt"

run_with_services() {
  "$here/with_services.sh" --pulse --tone -- bash -c '
    pactl list short sources | grep vistrel_sink.monitor >/dev/null || { echo "no monitor source"; exit 1; }
    VISTREL_TEST_DEVICES=1 timeout 60 "$0" --answer=yes --script="$1" >"$1.out" 2>"$1.err" &
    pid=$!
    # The preview plays to the server: a second stream beside the tone.
    played=0
    for i in $(seq 100); do
      if [ "$(pactl list short sink-inputs | wc -l)" -ge 2 ]; then played=1; break; fi
      sleep 0.1
    done
    wait $pid || exit $?
    [ $played = 1 ] || { echo "the preview never played to PulseAudio"; exit 1; }' "$bin" "$1"
}

run_with_services "$sandbox/sound.txt" || fail "the program failed on PulseAudio ($?)" "$sandbox/sound.txt.err"
no_crash_signs "$sandbox/sound.txt.err"
wav=$(ls "$HOME/Videos"/*.wav | head -1)
mp3=$(ls "$HOME/Videos"/*.mp3 | head -1)
expect_tone "$wav" 1.5
expect_tone "$mp3" 1.5

run_with_services "$sandbox/divx.txt" || fail "the program failed recording divx on PulseAudio ($?)" "$sandbox/divx.txt.err"
no_crash_signs "$sandbox/divx.txt.err"
mapfile -t videos < <(ls -tr "$HOME/Videos"/*.avi "$HOME/Videos"/*.wmv)
[[ ${#videos[@]} -eq 4 ]] || fail "${#videos[@]} videos for divx, avi native, dv type 2 (recomp) and Wmv" "$sandbox/divx.txt.err"
for video in "${videos[@]}"; do
  info=$(gst-discoverer-1.0 "$video")
  grep -q "video #" <<<"$info" || fail "no video stream in $video: $info"
  grep -q "audio #" <<<"$info" || fail "no audio stream in $video: $info"
  expect_tone "$video" 2
done
echo "PulseAudio: preview; Wav, mp3, divx, avi native, dv type 2 (recomp) and Wmv from the monitor hold the tone"
