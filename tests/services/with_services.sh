#!/usr/bin/env bash
# Runs a command with real desktop services started in a private runtime
# folder, and ends them by process id afterwards, whatever the command did.
#
#   with_services.sh [--pulse] [--pipewire] [--tone NAME] -- COMMAND...
#
# --pulse     a session D-Bus and PulseAudio with a null sink "vistrel_sink"
#             (its monitor is a capture source with real signal when a tone plays)
# --pipewire  PipeWire and WirePlumber (a camera node can then be published
#             with publish_camera in services_lib.sh)
# --tone      plays a live 440 Hz tone into the null sink while COMMAND runs
#
# A service that does not come up is an error (exit 70), never a silent skip.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=services_lib.sh
source "$here/services_lib.sh"

pulse=0 pipewire=0 tone=0
while [[ $# -gt 0 ]]; do
  case "$1" in
    --pulse) pulse=1 ;;
    --pipewire) pipewire=1 ;;
    --tone) tone=1 ;;
    --) shift; break ;;
    *) echo "with_services: unknown option $1" >&2; exit 64 ;;
  esac
  shift
done
[[ $# -gt 0 ]] || { echo "with_services: no command" >&2; exit 64; }

services_begin || exit 70
trap services_end EXIT
if ((pulse)); then start_pulse || exit 70; fi
if ((pipewire)); then start_pipewire || exit 70; fi
if ((tone)); then play_tone || exit 70; fi
set +e
"$@"
rc=$?
set -e
exit "$rc"
