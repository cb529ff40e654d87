# Functions that start real desktop services for a test in a private runtime
# folder: a session D-Bus, PulseAudio with a null sink, PipeWire with
# WirePlumber, a live tone, camera nodes. Every process is remembered by its
# id and ended by services_end; nothing is ever ended by name, so a user's own
# servers are never touched.
#
# Source it, then: services_begin; start_pulse; ...; services_end (or trap it).

SERVICE_PIDS=()
SERVICES_DIR=""

# Waits up to $1 tenths of a second for the command after it to succeed.
_wait_for() {
  local tenths=$1 i
  shift
  for ((i = 0; i < tenths; i++)); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

_spawn() {
  local log=$1
  shift
  "$@" >"$SERVICES_DIR/$log.log" 2>&1 &
  SERVICE_PIDS+=($!)
}

_show_log() {
  echo "---- $1 log ----" >&2
  tail -20 "$SERVICES_DIR/$1.log" >&2 || true
}

services_begin() {
  SERVICES_DIR=$(mktemp -d /tmp/vistrel-services.XXXXXX)
  chmod 700 "$SERVICES_DIR"
  export XDG_RUNTIME_DIR="$SERVICES_DIR" SERVICES_DIR
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$SERVICES_DIR/bus"
  # Nothing of the user's own sound setup leaks into the test.
  unset PULSE_SERVER PULSE_RUNTIME_PATH PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR
  export PULSE_STATE_PATH="$SERVICES_DIR/pulse-state" PULSE_CONFIG_PATH="$SERVICES_DIR/pulse-config"
  export XDG_STATE_HOME="${XDG_STATE_HOME:-$SERVICES_DIR/state}"
  if ! command -v dbus-daemon >/dev/null; then
    echo "services: dbus-daemon is not installed" >&2
    return 1
  fi
  _spawn dbus dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile
  if ! _wait_for 50 test -S "$SERVICES_DIR/bus"; then
    echo "services: the session D-Bus did not start" >&2
    _show_log dbus
    return 1
  fi
}

start_pulse() {
  if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
    echo "services: pulseaudio or pactl is not installed" >&2
    return 1
  fi
  _spawn pulseaudio pulseaudio --daemonize=no --exit-idle-time=-1 -n \
    --load="module-null-sink sink_name=vistrel_sink sink_properties=device.description=VistrelSink" \
    --load=module-native-protocol-unix
  if ! _wait_for 100 pactl info; then
    echo "services: PulseAudio did not answer within 10 s" >&2
    _show_log pulseaudio
    return 1
  fi
}

start_pipewire() {
  if ! command -v pipewire >/dev/null || ! command -v wireplumber >/dev/null; then
    echo "services: pipewire or wireplumber is not installed" >&2
    return 1
  fi
  _spawn pipewire pipewire
  if ! _wait_for 100 test -S "$SERVICES_DIR/pipewire-0"; then
    echo "services: PipeWire did not start within 10 s" >&2
    _show_log pipewire
    return 1
  fi
  _spawn wireplumber wireplumber
  # WirePlumber is ready once it has made the default nodes' settings known;
  # pw-cli answering with its client object is the first sign it runs.
  if ! _wait_for 100 bash -c 'pw-cli ls Client 2>/dev/null | grep -q "application.name = \"WirePlumber\""'; then
    echo "services: WirePlumber did not start within 10 s" >&2
    _show_log wireplumber
    return 1
  fi
}

# Plays a live tone into the null sink, so its monitor carries real signal.
play_tone() {
  _spawn tone gst-launch-1.0 -q audiotestsrc is-live=true wave=sine freq=440 volume=0.5 ! \
    audio/x-raw,rate=48000,channels=2 ! pulsesink device=vistrel_sink
  if ! _wait_for 100 bash -c 'pactl list short sink-inputs | grep -q .'; then
    echo "services: the tone did not reach the null sink" >&2
    _show_log tone
    return 1
  fi
}

# publish_camera NAME CAPS: a PipeWire Video/Source node fed by videotestsrc.
# CAPS is a raw video caps string such as
# "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1".
publish_camera() {
  local name=$1 caps=$2
  # gst-launch joins its arguments and splits them again: the whole value is
  # quoted for it, and the name quoted again inside the structure.
  _spawn "camera-${#SERVICE_PIDS[@]}" gst-launch-1.0 -q videotestsrc is-live=true pattern=ball ! "$caps" ! \
    pipewiresink mode=provide \
    "stream-properties=\"props,media.class=Video/Source,node.description=\\\"$name\\\"\""
  if ! _wait_for 100 bash -c "pw-cli ls Node 2>/dev/null | grep -q 'node.description = \"$name\"'"; then
    echo "services: the camera node \"$name\" did not appear" >&2
    return 1
  fi
}

services_end() {
  local pid i t
  for ((i = ${#SERVICE_PIDS[@]} - 1; i >= 0; i--)); do
    pid=${SERVICE_PIDS[i]}
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${SERVICE_PIDS[@]}"; do
    for ((t = 0; t < 30; t++)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  SERVICE_PIDS=()
  [[ -n "$SERVICES_DIR" ]] && rm -rf "$SERVICES_DIR"
  SERVICES_DIR=""
}
