#!/usr/bin/env bash
# The real program with cameras published by PipeWire (the path a desktop
# camera takes today): listed with named media types, previewed, recorded in
# "avi native" and "divx", a still grabbed at the camera's size, and a clean
# exit, for several sizes and formats.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/e2e_lib.sh"
e2e_sandbox

# name|caps|width|height|formats to record
cameras=(
  "PW Cam YUY2|video/x-raw,format=YUY2,width=640,height=480,framerate=30/1|640|480|avi native,divx"
  "PW Cam NV12|video/x-raw,format=NV12,width=1280,height=720,framerate=30000/1001|1280|720|avi native"
  "PW Cam I420|video/x-raw,format=I420,width=320,height=240,framerate=15/1|320|240|divx"
)

script="$sandbox/cameras.txt"
: >"$script"
for c in "${cameras[@]}"; do
  IFS='|' read -r name caps w h formats <<<"$c"
  {
    echo "source_video \"$name\""
    echo "source_audio \"no audio stream\""
    echo "wait 1.5"
    echo "grab"
    IFS=',' read -ra list <<<"$formats"
    for f in "${list[@]}"; do
      echo "format_capture \"$f\""
      echo "wait 0.5"
      echo "capture"
      echo "wait 3"
      echo "capture"
      echo "wait 0.5"
    done
  } >>"$script"
done
echo "quit" >>"$script"

camera_args=()
for c in "${cameras[@]}"; do
  IFS='|' read -r name caps _ <<<"$c"
  camera_args+=(--camera "$name" "$caps")
done
"$here/with_services.sh" "${camera_args[@]}" -- bash -c '
  pw-cli ls Node | grep -E "node.description" >"$1/nodes.out"
  timeout 30 "$0" --answer=yes --list-sources >"$1/list.out" 2>"$1/list.err" || { echo "listing failed ($?)"; exit 1; }
  timeout 90 "$0" --answer=yes --script="$1/cameras.txt" >"$1/run.out" 2>"$1/run.err" || { echo "run failed ($?)"; exit 1; }
' "$bin" "$sandbox" || fail "the program failed with PipeWire cameras" "$sandbox/run.err"

cat "$sandbox/nodes.out" "$sandbox/list.out"
no_crash_signs "$sandbox/list.err"
no_crash_signs "$sandbox/run.err"
grep -q "^  [0-9]*\. ?" "$sandbox/list.out" && fail "a media type without a name" "$sandbox/list.out"
for c in "${cameras[@]}"; do
  IFS='|' read -r name _ <<<"$c"
  grep -qx "  $name" "$sandbox/list.out" || fail "$name is not listed" "$sandbox/list.out"
done

# The files in the order the script wrote them: per camera its still, then
# its recordings.
mapfile -t videos < <(ls -tr "$HOME/Videos"/*.avi)
mapfile -t stills < <(ls -tr "$HOME/Pictures"/*)
[[ ${#stills[@]} -eq ${#cameras[@]} ]] || fail "${#stills[@]} stills for ${#cameras[@]} cameras" "$sandbox/run.err"
v=0
for i in "${!cameras[@]}"; do
  IFS='|' read -r name caps w h formats <<<"${cameras[i]}"
  size=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(26); print("%dx%d" % (struct.unpack("<i", d[18:22])[0], abs(struct.unpack("<i", d[22:26])[0])))' "${stills[i]}")
  [[ "$size" == "${w}x${h}" ]] || fail "the still of $name is $size, the camera gives ${w}x${h}"
  IFS=',' read -ra list <<<"$formats"
  for f in "${list[@]}"; do
    file=${videos[v]:-}
    v=$((v + 1))
    [[ -s "$file" ]] || fail "no $f file for $name" "$sandbox/run.err"
    info=$(gst-discoverer-1.0 "$file")
    grep -q "video #" <<<"$info" || fail "$f of $name has no video stream: $info"
    seconds=$(echo "$info" | sed -n 's/^ *Duration: 0:00:\([0-9]*\)\..*/\1/p')
    [[ -n "$seconds" && "$seconds" -ge 2 ]] || fail "$f of $name lasts ${seconds:-?} s, 3 s recorded: $info"
    dims=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$file")
    [[ "$f" == "divx" || "$dims" == "${w}x${h}" ]] || fail "$f of $name is $dims, the camera gives ${w}x${h}"
    echo "$name, $f: ${seconds}s $dims"
  done
done
echo "PipeWire: every camera listed, previewed, recorded and grabbed; clean exit"

# A camera that goes away during a recording: the file stays a sane,
# playable AVI (frames lent by a vanished producer once wrote gigabytes of
# unframed memory), and the program goes on and exits 0.
rm -f "$HOME/Videos"/*.avi
cat >"$sandbox/gone.txt" <<'SCRIPT'
source_video "PW Unplugged"
source_audio "no audio stream"
wait 1
format_capture "avi native"
capture
wait 5
capture
wait 0.5
quit
SCRIPT
"$here/with_services.sh" --camera "PW Unplugged" "video/x-raw,format=YUY2,width=320,height=240,framerate=30/1" -- bash -c '
  (sleep 3; kill $SERVICES_CAMERA_PIDS) &
  timeout 60 "$0" --answer=yes --script="$1/gone.txt" >"$1/gone.out" 2>"$1/gone.err"
' "$bin" "$sandbox" || fail "the program failed when the camera went away" "$sandbox/gone.err"
no_crash_signs "$sandbox/gone.err"
file=$(ls "$HOME/Videos"/*.avi | head -1)
size=$(stat -c %s "$file")
# 5 s of 320x240 YUY2 at 30 fps is 23 MB at most.
[[ "$size" -lt 40000000 ]] || fail "the recording of a camera that went away is $size bytes"
info=$(gst-discoverer-1.0 "$file")
grep -q "video #" <<<"$info" || fail "no readable video after the camera went away: $info"
# The recording ended when the camera went away (2 s in), not at the stop 5 s in.
seconds=$(echo "$info" | sed -n 's/^ *Duration: 0:00:\([0-9]*\)\..*/\1/p')
[[ -n "$seconds" && "$seconds" -le 3 ]] || fail "the recording went on ${seconds:-?} s after its camera was gone: $info"
echo "camera gone mid-recording: ${seconds}s, $size bytes, playable"

# Wmv from a camera whose frames carry its producer's clock (hours): the file
# holds the frames of the time recorded, not thousands filled in before them.
rm -f "$HOME/Videos"/*
cat >"$sandbox/wmv.txt" <<'SCRIPT'
source_video "PW Wmv"
source_audio "no audio stream"
format_capture "Wmv"
wait 1.5
capture
wait 4
capture
wait 0.5
quit
SCRIPT
"$here/with_services.sh" --camera "PW Wmv" "video/x-raw,format=YUY2,width=320,height=240,framerate=25/1" -- \
  timeout 60 "$bin" --answer=yes --script="$sandbox/wmv.txt" >"$sandbox/wmv.out" 2>"$sandbox/wmv.err" ||
  fail "the Wmv recording of a PipeWire camera failed" "$sandbox/wmv.err"
file=$(ls "$HOME/Videos"/*.wmv | head -1)
[[ -s "$file" ]] || fail "no Wmv file" "$sandbox/wmv.err"
frames=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 "$file")
# 4 s at the profile's 25 fps, give or take the start and the stop.
[[ "$frames" -ge 50 && "$frames" -le 130 ]] || fail "4 s of Wmv from a PipeWire camera holds $frames frames"
echo "Wmv from a PipeWire camera: $frames frames for 4 s"

# A camera node whose format GStreamer cannot name (the node states no pixel
# format): refused at once with a message naming it and what it offers,
# instead of a start that hangs half a minute and then again; the run ends,
# with 2 as an unattended run that could not take the source it named.
cat >"$sandbox/odd.txt" <<'SCRIPT'
source_video "PW Odd"
source_audio "no audio stream"
wait 1
quit
SCRIPT
start=$SECONDS
"$here/with_services.sh" --camera "PW Odd" "video/x-raw,format=NV12_10LE32,width=320,height=240,framerate=30/1" -- \
  timeout 60 "$bin" --answer=yes --script="$sandbox/odd.txt" >"$sandbox/odd.out" 2>"$sandbox/odd.err" && rc=0 || rc=$?
[[ $rc == 2 ]] || fail "the program did not end with 2 with a camera it cannot read (exit $rc)" "$sandbox/odd.err"
took=$((SECONDS - start))
grep -q 'The video source "PW Odd" cannot be used: it offers no picture format that can be read (video/x-raw, width=320' \
  "$sandbox/odd.err" || fail "no message for a camera with no pixel format" "$sandbox/odd.err"
[[ $took -le 20 ]] || fail "a camera with no pixel format held the run ${took}s"
echo "camera with no pixel format: refused and told, run ended in ${took}s (services included)"
