#!/usr/bin/env bash
# Takes a screenshot of the main window with each side panel shown, on a
# private X server of the smallest screen the window is made for (1024x600),
# with the built-in test devices, into docs/screenshots/. A window manager is
# started when one is installed; without one the window has no frame.
# Usage: scripts/screenshots.sh [vistrel binary] (default: build/release's)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$here/build/release/src/app/vistrel}"
out="$here/docs/screenshots"
mkdir -p "$out"
sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
# A fresh home: the pictures show the program as a new user first sees it.
export HOME="$sandbox" XDG_CONFIG_HOME="$sandbox/config" XDG_DATA_HOME="$sandbox/data" VISTREL_PROGRAM_DIR="$sandbox/program"
mkdir -p "$VISTREL_PROGRAM_DIR" "$HOME/Videos" "$HOME/Pictures"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

# Panel switch, file name.
panels=(sf:sources df:folders pf:schedule gf:grab if:inlay of:settings lf:list hf:help af:about)
xvfb-run -a -s "-screen 0 1024x600x24" bash -c '
  bin="$1"; out="$2"; shift 2
  wm=$(command -v openbox || command -v fluxbox || command -v twm || true)
  if [ -n "$wm" ]; then "$wm" >/dev/null 2>&1 & fi
  for p in "$@"; do
    sw="${p%%:*}"; name="${p#*:}"
    "$bin" --test-devices --answer=no "+$sw" 2>/dev/null & pid=$!
    # Until the window is mapped, then the preview has a moment to run.
    for i in $(seq 100); do xwininfo -root -tree | grep -q "\"Vistrel" && break; sleep 0.1; done
    sleep 2
    kill -0 $pid 2>/dev/null || { echo "vistrel exited before the $name panel was taken"; exit 1; }
    import -window root "$out/panel-$name.png"
    kill -TERM $pid
    wait $pid || true
    echo "$out/panel-$name.png"
  done
' bash "$bin" "$out" "${panels[@]}"

# A camcorder window driving the test DV camcorder, on a screen tall enough for
# the window's place below the main window.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  bin="$1"; out="$2"
  "$bin" --test-devices --answer=no "+sv=DV Source - Video" "+sa=DV Source - Audio" 2>/dev/null & pid=$!
  for i in $(seq 100); do xwininfo -root -tree | grep -q "\"Vistrel Test DV Camcorder\"" && break; sleep 0.1; done
  sleep 3
  kill -0 $pid 2>/dev/null || { echo "vistrel exited before the camcorder window was taken"; exit 1; }
  id=$(xwininfo -root -tree | grep "\"Vistrel Test DV Camcorder\"" | awk "{print \$1}" | head -1)
  import -window "$id" "$out/camcorder-window.png"
  kill -TERM $pid
  wait $pid || true
  echo "$out/camcorder-window.png"
' bash "$bin" "$out"

# A capture from the PulseAudio null sink's monitor with nothing playing into
# it: after 5 s of silence the status bar's amber warning shows. Needs the
# services the tests start (tests/services/with_services.sh).
cat >"$sandbox/silent.txt" <<'SCRIPT'
source_video "Vistrel Test Camera"
source_audio "Monitor of VistrelSink"
format_capture "avi native"
wait 1
capture
wait 30
SCRIPT
"$here/tests/services/with_services.sh" --pulse -- xvfb-run -a -s "-screen 0 1024x600x24" bash -c '
  bin="$1"; out="$2"; script="$3"
  wm=$(command -v openbox || command -v fluxbox || command -v twm || true)
  if [ -n "$wm" ]; then "$wm" >/dev/null 2>&1 & fi
  "$bin" --test-devices --answer=no --script="$script" 2>/dev/null & pid=$!
  for i in $(seq 100); do xwininfo -root -tree | grep -q "\"Vistrel" && break; sleep 0.1; done
  sleep 9
  kill -0 $pid 2>/dev/null || { echo "vistrel exited before the warning was taken"; exit 1; }
  import -window root "$out/signal-warning.png"
  kill -TERM $pid
  wait $pid || true
  echo "$out/signal-warning.png"
' bash "$bin" "$out" "$sandbox/silent.txt"
