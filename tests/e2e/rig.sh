# End-to-end rig, sourced by every end-to-end test script: a private X server,
# a private JACK server as the audio clock, an ALSA configuration that makes
# the default device a raw float file paced by JACK, and the synth itself.
# Everything is torn down on exit, clients before servers.
#
# Usage: source rig.sh BUILD_DIR
# A script with arguments of its own sets SCRIPT_ARGS=("$@") first.
set -euo pipefail

# JACK keeps its servers' state in /dev/shm and has room for only eight; a
# private tmpfs per test keeps runs from filling or disturbing each other.
if [ -z "${VELMORA_PRIVATE_SHM:-}" ] && [ "$(id -u)" = 0 ]; then
  export VELMORA_PRIVATE_SHM=1
  exec unshare -m --propagation private bash -c \
    'mount -t tmpfs -o size=256m tmpfs /dev/shm && exec "$0" "$@"' "$0" "${SCRIPT_ARGS[@]:-$@}"
fi

BUILD_DIR=$(cd "$1" && pwd)
RIG=$(mktemp -d /tmp/velmora-e2e.XXXXXX)
APP_PID="" SOURCE_PID="" SOURCE_FD="" JACK_PID="" XVFB_PID=""
SOURCES=()
PROBE="$BUILD_DIR/tests/audio_probe"

rig_cleanup() {
  local status=$?
  # A sanitizer report from the program fails the test, whatever it checked.
  if [ $status -eq 0 ] && grep -qE "Sanitizer|runtime error:" "$RIG/app.log" 2>/dev/null; then
    echo "FAIL: sanitizer report from the synth" >&2
    status=1
  fi
  [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null || true
  local entry pid
  for entry in "${SOURCES[@]}"; do
    pid=${entry#*:}
    pid=${pid%%:*}
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  [ -n "$APP_PID" ] && wait "$APP_PID" 2>/dev/null || true
  if [ -n "$JACK_PID" ]; then
    kill "$JACK_PID" 2>/dev/null || true
    wait "$JACK_PID" 2>/dev/null || true
  fi
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  if [ $status -ne 0 ]; then
    echo "--- synth log (tail)"
    tail -20 "$RIG/app.log" 2>/dev/null || true
  fi
  [ -n "${KEEP_RIG:-}" ] || rm -rf "$RIG"
  exit $status
}
trap rig_cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Waits up to $1 seconds for the command that follows to succeed.
wait_for() {
  local limit=$1
  shift
  local deadline=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.05
  done
}

start_x() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$RIG/display" 2>/dev/null &
  XVFB_PID=$!
  wait_for 10 test -s "$RIG/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$RIG/display")"
}

start_jack() {
  local name="velmora-$$-$RANDOM"
  export JACK_DEFAULT_SERVER=$name JACK_NO_START_SERVER=1
  jackd -n "$name" --no-realtime -d dummy -r 44100 -p 256 >"$RIG/jack.log" 2>&1 &
  JACK_PID=$!
  wait_for 10 jack_lsp -s "$name" || fail "jackd did not start"
}

# The default ALSA device writes raw float32 mono samples to $RIG/out.raw,
# paced in real time by the JACK server's clock.
use_captured_audio() {
  cat >"$RIG/asound.conf" <<CONF
pcm.!default {
  type file
  format "raw"
  file "$RIG/out.raw"
  slave.pcm {
    type jack
    playback_ports { 0 system:playback_1 }
    capture_ports { 0 system:capture_1 }
  }
}
CONF
  export ALSA_CONFIG_PATH="$RIG/asound.conf"
  AUDIO="$RIG/out.raw"
}

# Starts a JACK MIDI source (port name $1, default "velmora-test-source");
# sources started before the synth become its ports 0, 1, ... Commands go to
# it with `send_to NAME ...`, or `send ...` for the latest one, whose answers
# land in $SOURCE_OUT.
start_midi_source() {
  local name=${1:-velmora-test-source}
  local io="$RIG/source-${#SOURCES[@]}"
  mkfifo "$io.in"
  "$BUILD_DIR/tests/midi_source" "$name" <"$io.in" >"$io.out" 2>&1 &
  local pid=$!
  local fd
  exec {fd}>"$io.in"
  SOURCES+=("$name:$pid:$fd")
  SOURCE_PID=$pid SOURCE_FD=$fd SOURCE_OUT="$io.out"
  wait_for 10 grep -q '^ready' "$io.out" || fail "MIDI source $name did not start"
}

send_to() {
  local name=$1 entry
  shift
  for entry in $(printf '%s\n' "${SOURCES[@]}" | tac); do
    if [ "${entry%%:*}" = "$name" ]; then
      echo "$*" >&"${entry##*:}"
      return
    fi
  done
  fail "no MIDI source $name"
}

send() {
  echo "$*" >&"$SOURCE_FD"
}

start_app() {
  "${APP:-$BUILD_DIR/velmora}" >"$RIG/app.log" 2>&1 &
  APP_PID=$!
}

# Waits for a top-level window with exactly this title; prints its id.
window_id() {
  local id deadline=$((SECONDS + ${2:-30}))
  while [ $SECONDS -lt $deadline ]; do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && {
      echo "$id"
      return 0
    }
    sleep 0.05
  done
  return 1
}

# Absolute position of a window's top-left corner: "x y".
window_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x, y}'
}

# Samples captured so far.
captured() {
  local bytes
  bytes=$(stat -c %s "$AUDIO" 2>/dev/null || echo 0)
  echo $((bytes / 4))
}

has_samples() { [ "$(captured)" -ge "$1" ]; }

# Waits until at least $1 more samples have been captured.
wait_samples() {
  local target=$(($(captured) + $1))
  wait_for 60 has_samples "$target" || fail "audio stopped flowing"
}

# Screenshot of the whole screen.
screenshot() {
  import -window root "$1"
}

# Colour of pixel (x, y) of a PNG, as "r,g,b".
pixel() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

# Dark pixels in the text area of the MIDI port list: a listed port's name
# shows as dark text on the light box.
port_list_ink() {
  screenshot "$RIG/ports.png"
  convert "$RIG/ports.png" -crop "100x14+$((OX + 36))+$((OY + MENU + 408))" -threshold 50% \
    -negate -format "%[fx:int(mean*w*h)]" info:
}

# The usual stage: X, JACK, captured audio, the MIDI sources named (in port
# order), then the synth with its window open and audio flowing.
start_playing() {
  start_x
  start_jack
  use_captured_audio
  local source
  for source in "$@"; do start_midi_source "$source"; done
  start_app
  open_window
  wait_samples 22050
}

# Mouse input at client-area coordinates (below the menu bar) of the window
# whose origin open_window found.
MENU=25
open_window() {
  WIN=$(window_id Velmora) || fail "no window"
  read -r OX OY < <(window_origin "$WIN")
}
# No --sync: it waits for the pointer to move, for ever when it is already
# there; the server handles the synthetic events in order anyway.
move_to() { xdotool mousemove $((OX + $1)) $((OY + MENU + $2)); }
press_at() {
  move_to "$1" "$2"
  xdotool mousedown 1
}
release() { xdotool mouseup 1; }
click_at() {
  press_at "$1" "$2"
  sleep 0.05
  release
}
# Drags from one point to another in small steps, as a hand does.
drag() { # x1 y1 x2 y2
  press_at "$1" "$2"
  move_to $(($1 + 1)) $(($2 + 1)) # a first small move, still on what was pressed
  local i
  for i in 1 2 3 4 5 6 7 8; do
    move_to $(($1 + ($3 - $1) * i / 8)) $(($2 + ($4 - $2) * i / 8))
    sleep 0.02
  done
  sleep 0.1
  release
}

# A value between bounds: in_range VALUE LOW HIGH.
in_range() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }
