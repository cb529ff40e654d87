#!/usr/bin/env bash
# Time to the first frame and the CPU cost of the preview on the real desktop
# paths: a PipeWire camera, the PulseAudio renderer and monitor source, next
# to the built-in test camera with no sound server.
#
#   scripts/measure_real_devices.sh [SECONDS]   (default 20 s of preview each)
#
# Prints one line per setup: first frame (ms after start), CPU seconds over
# the run, CPU share of one core, peak RSS.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="$here/build/release/src/app/vistrel"
seconds="${1:-20}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config" VISTREL_PROGRAM_DIR="$work/program" QT_QPA_PLATFORM=offscreen
mkdir -p "$VISTREL_PROGRAM_DIR" "$HOME/Videos"

# measure LABEL VIDEO AUDIO [with_services options...]
measure() {
  local label=$1 video=$2 audio=$3
  shift 3
  printf 'source_video "%s"\nsource_audio "%s"\nwait %s\nquit\n' "$video" "$audio" "$seconds" >"$work/script.txt"
  local services=("$@")
  local run=(env VISTREL_TEST_DEVICES=1 GST_DEBUG=vistrel-graph:4 GST_DEBUG_NO_COLOR=1 /usr/bin/time -f "%U %S %M" -o "$work/time.txt"
    "$bin" --answer=no --script="$work/script.txt")
  if [[ ${#services[@]} -gt 0 ]]; then
    "$here/tests/services/with_services.sh" "${services[@]}" -- "${run[@]}" >"$work/out.txt" 2>"$work/err.txt"
  else
    "${run[@]}" >"$work/out.txt" 2>"$work/err.txt"
  fi
  local first
  first=$(grep "first frame in the video window" "$work/err.txt" | head -1 | awk '{print $1}')
  read -r user sys rss <"$work/time.txt"
  python3 - "$label" "$first" "$user" "$sys" "$rss" "$seconds" <<'PY'
import sys
label, first, user, sys_, rss, secs = sys.argv[1:]
h, m, s = first.split(":") if first else ("0", "0", "nan")
ms = (int(h) * 3600 + int(m) * 60 + float(s)) * 1000
cpu = float(user) + float(sys_)
print(f"{label:<44} first frame {ms:7.0f} ms   CPU {cpu:5.2f} s ({100 * cpu / float(secs):4.1f} %)   peak RSS {int(rss) / 1024:5.0f} MiB")
PY
}

measure "test camera, no sound server" "Vistrel Test Camera" "no audio stream"
measure "test camera + test microphone, PulseAudio" "Vistrel Test Camera" "Vistrel Test Microphone" --pulse
measure "test camera + PulseAudio monitor (tone)" "Vistrel Test Camera" "Monitor of VistrelSink" --pulse --tone
measure "PipeWire camera 640x480 YUY2 30 fps" "PW Camera" "no audio stream" \
  --camera "PW Camera" "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1"
measure "PipeWire camera 1280x720 NV12 30 fps" "PW Camera" "no audio stream" \
  --camera "PW Camera" "video/x-raw,format=NV12,width=1280,height=720,framerate=30/1"
