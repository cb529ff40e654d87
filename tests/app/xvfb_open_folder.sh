#!/usr/bin/env bash
# "Open the folder of captured videos" (switch v) in the real program on a real
# X server, where Qt looks for a launcher on PATH: with none there the user is
# told which folder cannot be shown; with one, the folder is handed to it and
# nothing is said.
set -euo pipefail
bin="$1"
if ! command -v xvfb-run >/dev/null; then echo "xvfb-run missing (package xvfb)"; exit 1; fi
source "$(dirname "$0")/../sandbox.sh"
use_sandbox
unset QT_QPA_PLATFORM WAYLAND_DISPLAY BROWSER DEFAULT_BROWSER DBUS_SESSION_BUS_ADDRESS
mkdir -p "$sandbox/none" "$sandbox/launcher"
cat >"$sandbox/launcher/xdg-open" <<SH
#!/bin/sh
echo "\$1" > "$sandbox/asked"
SH
chmod +x "$sandbox/launcher/xdg-open"
folder="$sandbox/Videos"
told="The folder $folder cannot be shown: no file manager is installed or answering."

# programs_in DIR: runs the program with only DIR on its PATH; its stderr is in $sandbox/log.
programs_in() {
  xvfb-run -a -s "-screen 0 1280x1024x24" env PATH="$1" "$bin" --answer=no +v quit >"$sandbox/log" 2>&1 ||
    { echo "the program failed:"; cat "$sandbox/log"; exit 1; }
}

programs_in "$sandbox/none"
if ! grep -qF "warning: $told" "$sandbox/log"; then
  echo "no launcher, and the user was not told: \"$told\""
  cat "$sandbox/log"
  exit 1
fi

programs_in "$sandbox/launcher"
for i in $(seq 1 50); do [ -s "$sandbox/asked" ] && break; sleep 0.1; done
if [ "$(cat "$sandbox/asked" 2>/dev/null)" != "file://$folder" ]; then
  echo "the launcher was not asked to open file://$folder: $(cat "$sandbox/asked" 2>/dev/null)"
  exit 1
fi
if grep -qF "cannot be shown" "$sandbox/log"; then
  echo "a launcher opened the folder, yet the user was told it could not be shown"
  cat "$sandbox/log"
  exit 1
fi
echo "told without a launcher, handed over with one"
