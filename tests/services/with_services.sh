#!/usr/bin/env bash
# Runs a command with real desktop services started in a private runtime
# folder, and ends them by process id afterwards, whatever the command did.
#
#   with_services.sh [--pulse] [--pipewire] [--tone] [--camera NAME CAPS]... -- COMMAND...
#
# --pulse     a session D-Bus and PulseAudio with a null sink "vistrel_sink"
#             (its monitor is a capture source with real signal when a tone plays)
# --pipewire  PipeWire and WirePlumber
# --tone      plays a live 440 Hz tone into the null sink while COMMAND runs
# --camera    publishes a PipeWire camera node NAME giving raw video CAPS
#             (implies --pipewire); may be given several times; their
#             process ids are in SERVICES_CAMERA_PIDS, in order
#
# A service that does not come up is an error (exit 70), never a silent skip.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=services_lib.sh
source "$here/services_lib.sh"

pulse=0 pipewire=0 tone=0
cameras=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --pulse) pulse=1 ;;
    --pipewire) pipewire=1 ;;
    --tone) tone=1 ;;
    --camera) pipewire=1; cameras+=("$2" "$3"); shift 2 ;;
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
camera_pids=()
for ((i = 0; i < ${#cameras[@]}; i += 2)); do
  publish_camera "${cameras[i]}" "${cameras[i + 1]}" || exit 70
  camera_pids+=("${SERVICE_PIDS[-1]}")
done
# The command may take a camera away (a device unplugged) by these ids.
export SERVICES_CAMERA_PIDS="${camera_pids[*]}"
set +e
"$@"
rc=$?
set -e
exit "$rc"
