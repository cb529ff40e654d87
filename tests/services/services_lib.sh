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

# _need COMMAND...: every command is installed, or says which is not.
_need() {
  local c
  for c in "$@"; do
    command -v "$c" >/dev/null || { echo "services: $c is not installed" >&2; return 1; }
  done
}

# _up LOG TENTHS WHAT CHECK...: CHECK succeeds within TENTHS tenths of a
# second, or "WHAT" is said with the end of the service's LOG.
_up() {
  local log=$1 tenths=$2 what=$3
  shift 3
  _wait_for "$tenths" "$@" && return 0
  echo "services: $what" >&2
  _show_log "$log"
  return 1
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
  _need dbus-daemon || return 1
  _spawn dbus dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile
  _up dbus 50 "the session D-Bus did not start" test -S "$SERVICES_DIR/bus"
}

start_pulse() {
  _need pulseaudio pactl || return 1
  _spawn pulseaudio pulseaudio --daemonize=no --exit-idle-time=-1 -n \
    --load="module-null-sink sink_name=vistrel_sink sink_properties=device.description=VistrelSink" \
    --load=module-native-protocol-unix
  _up pulseaudio 100 "PulseAudio did not answer within 10 s" pactl info
}

start_pipewire() {
  _need pipewire wireplumber pw-cli || return 1
  _spawn pipewire pipewire
  _up pipewire 100 "PipeWire did not start within 10 s" test -S "$SERVICES_DIR/pipewire-0" || return 1
  _spawn wireplumber wireplumber
  # WirePlumber is ready once it has made the default nodes' settings known;
  # pw-cli answering with its client object is the first sign it runs.
  _up wireplumber 100 "WirePlumber did not start within 10 s" \
    bash -c 'pw-cli ls Client 2>/dev/null | grep -q "application.name = \"WirePlumber\""'
}

# Plays a live tone into the null sink, so its monitor carries real signal.
play_tone() {
  _spawn tone gst-launch-1.0 -q audiotestsrc is-live=true wave=sine freq=440 volume=0.5 ! \
    audio/x-raw,rate=48000,channels=2 ! pulsesink device=vistrel_sink
  _up tone 100 "the tone did not reach the null sink" bash -c 'pactl list short sink-inputs | grep -q .'
}

# publish_camera NAME CAPS: a PipeWire Video/Source node fed by videotestsrc.
# CAPS is a raw video caps string such as
# "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1", or caps with
# elements after them.
publish_camera() {
  local name=$1 caps=$2 parts
  # CAPS may hold more elements ("... ! jpegenc ! image/jpeg" for an MJPEG
  # camera): each word is an argument of its own, as on a command line.
  read -ra parts <<<"$caps"
  # gst-launch joins its arguments and splits them again: the whole value is
  # quoted for it, and the name quoted again inside the structure.
  _spawn "camera-${#SERVICE_PIDS[@]}" gst-launch-1.0 -q videotestsrc is-live=true pattern=ball ! "${parts[@]}" ! \
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
