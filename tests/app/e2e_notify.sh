#!/usr/bin/env bash
# The real program, unattended, with the intervalometer on: each picture it
# saves is told to the desktop. A stand-in notification server on a bus of the
# run's own sees the notices, each later one taking the place of the first.
# Then the same run where no session bus answers: the pictures are saved all
# the same and the program ends normally.
set -euo pipefail
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../sandbox.sh"
use_sandbox
export VISTREL_TEST_DEVICES=1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
command -v dbus-daemon >/dev/null || { echo "FAIL: dbus-daemon missing (scripts/setup.sh installs it)"; exit 1; }
# The stand-in needs the system's Python, where Debian's python3-gi is.
py=/usr/bin/python3
"$py" -c 'from gi.repository import Gio' 2>/dev/null || { echo "FAIL: python3-gi missing (scripts/setup.sh installs it)"; exit 1; }
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$sandbox"
}
trap cleanup EXIT
# The interval of a first start is 10 s: at least one picture in 12 s.
cat >"$sandbox/script.txt" <<SCRIPT
source_video "Vistrel Test Camera"
wait 1
intervalometer
wait 12
intervalometer
wait 0.5
quit
SCRIPT

dbus-daemon --session --nofork --print-address=1 >"$sandbox/bus" &
pids+=($!)
for _ in $(seq 50); do [ -s "$sandbox/bus" ] && break; sleep 0.1; done
DBUS_SESSION_BUS_ADDRESS=$(head -1 "$sandbox/bus")
export DBUS_SESSION_BUS_ADDRESS
"$py" "$here/notification_standin.py" "$sandbox/notices" "$sandbox/ready" &
pids+=($!)
for _ in $(seq 50); do [ -f "$sandbox/ready" ] && break; sleep 0.1; done
[ -f "$sandbox/ready" ] || { echo "FAIL: the stand-in server did not start"; exit 1; }

run() {
  rm -rf "$HOME/Pictures" "$XDG_CONFIG_HOME"
  mkdir -p "$VISTREL_PROGRAM_DIR" "$HOME/Pictures"
  timeout 60 "$bin" --answer=yes --script="$sandbox/script.txt" >"$sandbox/out" 2>"$sandbox/err" ||
    { echo "FAIL ($1): the program failed"; cat "$sandbox/err"; exit 1; }
  mapfile -t stills < <(find "$HOME/Pictures" -type f | sort)
  [ ${#stills[@]} -ge 1 ] || { echo "FAIL ($1): no picture saved"; cat "$sandbox/err"; exit 1; }
}

run "with a server"
python3 - "$sandbox/notices" "${stills[@]}" <<'PY' || { cat "$sandbox/err"; exit 1; }
import json, sys
notices = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8")]
stills = sys.argv[2:]
shots = [n for n in notices if n["summary"] == "Intervalometer picture saved"]
if len(shots) != len(stills):
    sys.exit(f"FAIL: {len(stills)} pictures, {len(shots)} notices: {notices}")
if sorted(n["body"] for n in shots) != sorted(stills):
    sys.exit(f"FAIL: notices name {[n['body'] for n in shots]}, saved {stills}")
if any(n["app"] != "Vistrel" or n["urgency"] != 0 for n in shots):
    sys.exit(f"FAIL: application or urgency: {shots}")
if shots[0]["replaces"] != 0 or any(n["replaces"] != shots[0]["id"] for n in shots[1:]):
    sys.exit(f"FAIL: the later notices do not replace the first: {shots}")
print(f"{len(stills)} pictures, {len(shots)} notices, one bubble")
PY

DBUS_SESSION_BUS_ADDRESS="unix:path=$sandbox/no-bus-here"
run "no session bus"
echo "no session bus: ${#stills[@]} pictures saved, the program ended normally"
