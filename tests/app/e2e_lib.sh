# What the program's end-to-end runs share: the program under test, the
# tools that check its files, a scratch folder that goes with the run, and
# the built-in test devices on a machine with no desktop.
# Usage: source "$(dirname "$0")/e2e_lib.sh" "$@"; then $bin and $root are set.
set -euo pipefail
bin="$1"
command -v ffprobe >/dev/null && command -v ffmpeg >/dev/null || { echo "FAIL: ffprobe/ffmpeg missing (scripts/setup.sh installs them)"; exit 1; }
source "$(dirname "${BASH_SOURCE[0]}")/../sandbox.sh"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export VISTREL_TEST_DEVICES=1
