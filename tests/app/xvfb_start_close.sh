#!/usr/bin/env bash
# The real program on a real X server: it must come up, stay up, and close
# cleanly when asked to, within seconds.
set -euo pipefail
bin="$1"
if ! command -v xvfb-run >/dev/null; then echo "xvfb-run missing (package xvfb)"; exit 1; fi
log=$(mktemp)
# Settings and trash go to a throw-away home, never the user's.
source "$(dirname "$0")/../sandbox.sh"
use_sandbox
trap 'rm -rf "$sandbox" "$log"' EXIT
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$0" --answer=no & pid=$!
  sleep 3
  if ! kill -0 $pid 2>/dev/null; then echo "vistrel exited early"; exit 1; fi
  kill -TERM $pid
  for i in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then echo "vistrel did not close"; kill -KILL $pid; exit 1; fi
  wait $pid
' "$bin" >"$log" 2>&1 || { cat "$log"; exit 1; }
echo "started and closed cleanly under Xvfb"
