#!/usr/bin/env bash
# The whole program beside a plain gst-launch-1.0 pipeline doing the same work
# from the same input: a PipeWire camera node fed by videotestsrc and the
# PulseAudio monitor of a live tone, both started in a private runtime folder
# by tests/services/with_services.sh.
#
#   scripts/bench_side_by_side.sh [SECONDS] [CASE...]
#
# NO_REFERENCE=1 runs Vistrel alone (its frames against those due, over a
# long window). SECONDS (default 60) is the measured window of each run; CASEs (default all)
# are preview, divx, dv, wmv, avi, divx720, avi720, divx1080, avi1080,
# mjpeg720-avi, mjpeg720-divx (a 1280x720 MJPEG camera, as many webcams give
# only MJPEG at that size: "avi native" passes it through).
#
# Vistrel runs offscreen from a command file: preview with the inlay on, then
# one recording. The reference pipeline has the same preview branches (picture
# converted and dropped in a fakesink, sound muted into the sound server), the
# same inlay work (textoverlay), the same encoder settings and the same muxer.
# CPU is the user + system time both processes spend inside the measured
# window (read from /proc, so start-up and exit are left out); peak RSS is the
# whole run's; frames are counted in the file by ffprobe (Vistrel's: "in the
# file/dropped", as the program tells them at the end of an unattended run).
#
# A second reference reads its pictures from a camera node of its own, fed by
# a producer like Vistrel's: the same transport on both sides. Its ratio is
# (Vistrel + producer) / (reference + its producer).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="$here/build/release/src/app/vistrel"
seconds=60
if [[ $# -gt 0 && $1 =~ ^[0-9]+$ ]]; then seconds=$1; shift; fi
cases=("$@")
[[ ${#cases[@]} -gt 0 ]] || cases=(preview divx dv wmv avi divx720 avi720 divx1080 avi1080 mjpeg720-avi mjpeg720-divx)
[[ -x "$bin" ]] || { echo "no $bin: run ./scripts/build.sh release first" >&2; exit 1; }

# The camera's "caps" go after its videotestsrc as they stand, so an encoder fits in.
mjpeg720="video/x-raw,format=I420,width=1280,height=720,framerate=30/1 ! jpegenc quality=85 ! image/jpeg"
# name|camera caps|fps|Vistrel format ("" = preview only)|reference encoder part|muxer|sound
table=(
  "preview|video/x-raw,format=YUY2,width=720,height=576,framerate=25/1|25|||"
  "divx|video/x-raw,format=YUY2,width=720,height=576,framerate=25/1|25|divx|videoconvert ! video/x-raw,format=I420 ! avenc_mpeg4 bitrate=4000000 threads=0 ! video/x-divx,divxversion=5|avimux|mp3"
  "dv|video/x-raw,format=YUY2,width=720,height=576,framerate=25/1|25|dv type 2 (recomp)|videoconvert ! video/x-raw,format=I420,pixel-aspect-ratio=16/15 ! avenc_dvvideo threads=0|avimux|pcm"
  "wmv|video/x-raw,format=YUY2,width=720,height=576,framerate=25/1|25|Wmv|videoconvert ! videoscale ! videorate ! video/x-raw,format=I420,width=720,height=576,framerate=25/1,pixel-aspect-ratio=1/1 ! avenc_wmv2 bitrate=3800000 gop-size=125|asfmux|wma"
  "avi|video/x-raw,format=YUY2,width=720,height=576,framerate=25/1|25|avi native||avimux|pcm"
  "divx720|video/x-raw,format=YUY2,width=1280,height=720,framerate=30/1|30|divx|videoconvert ! video/x-raw,format=I420 ! avenc_mpeg4 bitrate=4000000 threads=0 ! video/x-divx,divxversion=5|avimux|mp3"
  "avi720|video/x-raw,format=YUY2,width=1280,height=720,framerate=30/1|30|avi native||avimux|pcm"
  "divx1080|video/x-raw,format=YUY2,width=1920,height=1080,framerate=25/1|25|divx|videoconvert ! video/x-raw,format=I420 ! avenc_mpeg4 bitrate=4000000 threads=0 ! video/x-divx,divxversion=5|avimux|mp3"
  "avi1080|video/x-raw,format=YUY2,width=1920,height=1080,framerate=25/1|25|avi native||avimux|pcm"
  "mjpeg720-avi|$mjpeg720|30|avi native||avimux|pcm"
  "mjpeg720-divx|$mjpeg720|30|divx|videoconvert ! video/x-raw,format=I420 ! avenc_mpeg4 bitrate=4000000 threads=0 ! video/x-divx,divxversion=5|avimux|mp3"
)

work=$(mktemp -d)
trap '[[ -n ${KEEP:-} ]] || rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config" VISTREL_PROGRAM_DIR="$work/program" QT_QPA_PLATFORM=offscreen
mkdir -p "$VISTREL_PROGRAM_DIR" "$HOME/Videos"
warmup=4  # seconds from launch to the start of the measured window
# The plug-in registry of the fresh home is built now: built by the first run,
# its scanner (a child that loads every plug-in, 116 MiB) counted as that
# run's peak memory.
gst-inspect-1.0 >/dev/null 2>&1 || true

# Reads a process's user + system clock ticks.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }

# measure_window PID: CPU seconds the process spends from warmup to
# warmup + seconds after its launch; with a second PID, the CPU that one spends
# in the same window is added (the camera's producer, for Vistrel's runs).
measure_window() {
  local pid=$1 extra=${2:-} t0 t1 e0=0 e1=0
  sleep "$warmup"
  t0=$(ticks "$pid")
  [[ -n $extra ]] && e0=$(ticks "$extra")
  sleep "$seconds"
  t1=$(ticks "$pid")
  [[ -n $extra ]] && e1=$(ticks "$extra")
  awk -v a="$t0" -v b="$t1" -v c="$e0" -v d="$e1" -v hz="$(getconf CLK_TCK)" \
    'BEGIN{printf "%.2f %.2f", (b - a) / hz, (d - c) / hz}'
}

frames_in() {  # FILE: video packets in the file (0 when none)
  [[ -s $1 ]] || { echo 0; return; }
  ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$1" 2>/dev/null |
    head -1 | grep -E '^[0-9]+$' || echo 0
}

run_vistrel() {  # case fields...; prints "cpu rss frames"
  local format=$1 out=$2
  local record=$((seconds + warmup))
  {
    echo 'source_video "Bench Camera"'
    echo 'source_audio "Monitor of VistrelSink"'
    echo 'inlay true'
    if [[ -n $format ]]; then
      echo "format_capture \"$format\""
      echo 'wait 2'
      echo 'capture'
      echo "wait $record"
      echo 'capture'
      echo 'wait 1'
    else
      echo "wait $((record + 2))"
    fi
    echo 'quit'
  } >"$work/script.txt"
  rm -rf "$HOME/Videos"/*
  VISTREL_TEST_DEVICES=0 /usr/bin/time -f "%M" -o "$work/time.txt" "$bin" --answer=no --script="$work/script.txt" \
    >"$work/vistrel.log" 2>&1 &
  local pid=$!
  # /usr/bin/time's child is the program.
  sleep 0.3
  local child
  child=$(pgrep -P "$pid" | head -1)
  local cpu producer
  read -r cpu producer < <(measure_window "${child:-$pid}" "${SERVICES_CAMERA_PIDS%% *}")
  wait "$pid" || true
  local file
  file=$(find "$HOME/Videos" -type f -size +0 | head -1)
  [[ -n $format && -n $file ]] && cp "$file" "$out"
  # Frames in the file, and after a slash those the program says it dropped.
  local dropped
  dropped=$(sed -n 's/^vistrel: recorded .*, \([0-9]*\) dropped$/\1/p' "$work/vistrel.log" | head -1)
  echo "$cpu $producer $(tail -1 "$work/time.txt") $([[ -n $format ]] && echo "$(frames_in "$out")/${dropped:-?}" || echo -)"
}

# The reference draws the camera's pictures itself: the same videotestsrc the
# camera node runs, so its CPU is set beside Vistrel's plus the producer's.
run_reference() {  # caps, encoder part, muxer, sound, output[, camera node serial]; prints "cpu rss frames"
  local caps=$1 encoder=$2 mux=$3 sound=$4 out=$5 serial=${6:-}
  local camera="videotestsrc is-live=true pattern=ball ! $caps"
  if [[ -n $serial ]]; then
    camera="pipewiresrc target-object=$serial always-copy=true do-timestamp=true ! "
    if [[ $caps == *image/jpeg* ]]; then camera+="image/jpeg"; else camera+="$caps"; fi
  fi
  # An MJPEG camera's pictures are decoded before anything draws on them.
  [[ $caps == *image/jpeg* ]] && camera+=" ! jpegparse"
  local decode=""
  [[ $caps == *image/jpeg* ]] && decode="jpegdec ! "
  # The least a program must do for the same result: the inlay drawn in the
  # camera's own layout, and the preview converted to the window's BGRx and
  # shown at its frames' times.
  local display="videoconvert ! video/x-raw,format=BGRx ! fakesink sync=true"
  local picture="$camera ! queue max-size-buffers=4
    ! ${decode}textoverlay text=12:34:56 font-desc=\"Sans 21\" ! tee name=v
    v. ! queue max-size-buffers=4 ! $display"
  local listen="pulsesrc device=vistrel_sink.monitor ! audio/x-raw,rate=48000,channels=2 ! tee name=a
    a. ! queue ! volume mute=true ! pulsesink"
  local pipeline
  if [[ -z $mux ]]; then
    pipeline="$picture $listen"
  else
    local video="v. ! queue leaky=downstream max-size-buffers=0 max-size-bytes=0 max-size-time=1000000000 ! videorate"
    local audio="a. ! queue ! audioconvert"
    case $sound in
      mp3) audio+=" ! lamemp3enc target=bitrate cbr=true bitrate=128 ! mpegaudioparse" ;;
      wma) audio+=" ! audioresample ! audio/x-raw,rate=44100,channels=2 ! avenc_wmav2 bitrate=160000" ;;
      pcm) audio+=" ! audio/x-raw,format=S16LE" ;;
    esac
    if [[ -z $encoder ]]; then
      # The device's own pictures, as they come.
      video="$camera ! tee name=n n. ! queue ! ${decode}textoverlay text=12:34:56 ! $display n. ! queue max-size-time=1000000000 max-size-buffers=0 max-size-bytes=0"
      pipeline="$video ! m. $listen $audio ! m. $mux name=m ! filesink location=$out"
    else
      pipeline="$picture $video ! $encoder ! m. $listen $audio ! m. $mux name=m ! filesink location=$out"
    fi
  fi
  # shellcheck disable=SC2086
  /usr/bin/time -f "%M" -o "$work/time.txt" gst-launch-1.0 -e $pipeline >"$work/ref${serial:+-node}.log" 2>&1 &
  local pid=$!
  sleep 0.3
  local child
  child=$(pgrep -P "$pid" | head -1)
  local cpu producer=0
  read -r cpu producer < <(measure_window "${child:-$pid}" "${7:-}")
  [[ -n ${7:-} ]] && cpu=$(awk -v a="$cpu" -v b="$producer" 'BEGIN{printf "%.2f", a + b}')
  kill -INT "${child:-$pid}" 2>/dev/null || true
  local t
  for ((t = 0; t < 100; t++)); do kill -0 "${child:-$pid}" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "${child:-$pid}" 2>/dev/null || true
  wait "$pid" || true
  echo "$cpu $(tail -1 "$work/time.txt") $([[ -n $mux ]] && frames_in "$out" || echo -)"
}

camera_serial() {  # NAME: the object serial of the PipeWire node described so
  pw-dump 2>/dev/null | python3 -c '
import json, sys
for o in json.load(sys.stdin):
    props = (o.get("info") or {}).get("props") or {}
    if props.get("node.description") == sys.argv[1]:
        print(props.get("object.serial", o["id"])); break' "$1"
}

# Runs inside the services, for the one case named in CASE.
inside() {
  local line name caps fps format encoder mux sound
  for line in "${table[@]}"; do
    IFS='|' read -r name caps fps format encoder mux sound <<<"$line"
    [[ $name == "$CASE" ]] || continue
    # The node's reference goes first: a producer serves only its first reader.
    local ref_producer serial
    ref_producer=$(cut -d' ' -f2 <<<"$SERVICES_CAMERA_PIDS")
    serial=$(camera_serial "Ref Camera")
    local wcpu=0 wrss=0 wframes=- rcpu=0 rrss=0 rframes=-
    ((NO_REFERENCE)) ||
      read -r wcpu wrss wframes < <(run_reference "$caps" "$encoder" "$mux" "$sound" "$work/ref.out" "$serial" "$ref_producer")
    read -r vcpu pcpu vrss vframes < <(run_vistrel "$format" "$work/vistrel.out")
    ((NO_REFERENCE)) || read -r rcpu rrss rframes < <(run_reference "$caps" "$encoder" "$mux" "$sound" "$work/ref.out")
    local expected=$((fps * (seconds + warmup)))
    awk -v n="$name" -v vc="$vcpu" -v pc="$pcpu" -v rc="$rcpu" -v vr="$vrss" -v rr="$rrss" -v vf="$vframes" \
      -v rf="$rframes" -v e="$expected" -v wc="$wcpu" -v wr="$wrss" -v wf="$wframes" 'BEGIN{
        printf "%-9s %8.2f %8.2f %9.2f %6.2f %8d %8d %8s %8s %6s", n, vc, pc, rc,
          (rc > 0 ? (vc + pc) / rc : 0), vr/1024, rr/1024, vf, rf, (vf == "-" ? "-" : e)
        # A reference that ran or wrote nothing (its pipeline refused the node) has no column.
        if (wc > 0.1 && (wf == "-" || wf > 0)) printf " %9.2f %6.2f %8d %8s\n", wc, (vc + pc) / wc, wr/1024, wf
        else printf " %9s %6s %8s %8s\n", "-", "-", "-", "-" }'
  done
}

echo "CPU seconds in a ${seconds} s window; ratio = (Vistrel + camera producer) / reference"
printf '%-9s %8s %8s %9s %6s %8s %8s %8s %8s %6s %9s %6s %8s %8s\n' case Vistrel producer reference ratio \
  "RSS MiB" "ref MiB" frames "ref fr." "~want" "ref(node)" ratio "MiB" frames
# A camera node of its own for each case: the producer stops giving frames
# once a first reader has gone.
for line in "${table[@]}"; do
  IFS='|' read -r name caps _ <<<"$line"
  [[ " ${cases[*]} " == *" $name "* ]] || continue
  "$here/tests/services/with_services.sh" --pulse --tone --camera "Bench Camera" "$caps" --camera "Ref Camera" "$caps" -- \
    bash -c "$(declare -p table seconds warmup work bin HOME); NO_REFERENCE=${NO_REFERENCE:-0}; $(declare -f inside run_vistrel run_reference measure_window ticks frames_in camera_serial); CASE='$name' inside"
done
