# Helpers of the end-to-end runs against real services: a private home, and
# checks of what the program wrote with independent readers.

source "$(dirname "${BASH_SOURCE[0]}")/../sandbox.sh"

e2e_sandbox() {
  use_sandbox
  unset DISPLAY WAYLAND_DISPLAY
  export QT_QPA_PLATFORM=offscreen
}

fail() {
  echo "FAIL: $1"
  [[ -n "${2:-}" && -f "$2" ]] && tail -30 "$2"
  exit 1
}

# What the program printed must show no crash of a streaming thread and no
# critical warning of GStreamer or GLib.
no_crash_signs() {
  if grep -E "CRITICAL|Segmentation|unaligned|double free|corrupted" "$1"; then
    fail "warnings of a fault in the program's output" "$1"
  fi
}

# expect_tone FILE SECONDS: the sound of FILE lasts at least SECONDS and
# carries the test tone (a steady sine, not silence).
expect_tone() {
  local file=$1 seconds=$2
  [[ -s "$file" ]] || fail "no file $file"
  local stats
  stats=$(ffmpeg -v error -i "$file" -vn -ac 1 -ar 48000 -f s16le -acodec pcm_s16le - | python3 -c '
import sys, struct, math
data = sys.stdin.buffer.read()
n = len(data) // 2
if n == 0:
    print("0 0 0"); sys.exit()
s = struct.unpack("<%dh" % n, data[: n * 2])
rms = math.sqrt(sum(x * x for x in s) / n) / 32768
# Rising crossings with hysteresis, so coding noise near zero does not count.
crossings, low, th = 0, False, 3000
for x in s:
    if x < -th:
        low = True
    elif x > th and low:
        crossings += 1
        low = False
print(n / 48000, rms, crossings / (n / 48000))')
  read -r length rms freq <<<"$stats"
  echo "$(basename "$file"): ${length}s, rms $rms, ${freq} Hz"
  python3 -c "import sys; l, r, f = map(float, sys.argv[1:4]); sys.exit(0 if l >= $seconds and r > 0.05 and 400 < f < 480 else 1)" \
    "$length" "$rms" "$freq" || fail "$file does not hold the 440 Hz tone for ${seconds}s"
}
