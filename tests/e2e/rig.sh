# End-to-end rig, sourced by the end-to-end scripts: a private X server, a
# private JACK server as the audio clock, an ALSA configuration that makes the
# default device a raw float file paced by JACK, JACK MIDI sources, and the
# synth. Everything is torn down on exit, clients before servers.
#   source rig.sh [BUILD_DIR]   (BUILD_DIR is the script's $1 when not given;
#                                a script that gives it and has arguments of
#                                its own first sets SCRIPT_ARGS=("$@"))
set -euo pipefail

# JACK keeps its servers' state in /dev/shm and has room for only eight; a
# private tmpfs per run keeps runs from filling or disturbing each other.
if [ -z "${VELMORA_PRIVATE_SHM:-}" ] && [ "$(id -u)" = 0 ]; then
  export VELMORA_PRIVATE_SHM=1
  exec unshare -m --propagation private bash -c \
    'mount -t tmpfs -o size=256m tmpfs /dev/shm && exec "$0" "$@"' "$0" "${SCRIPT_ARGS[@]:-$@}"
fi

BUILD_DIR=$(cd "$1" && pwd) RIG=$(mktemp -d /tmp/velmora-e2e.XXXXXX)
APP=${APP:-$BUILD_DIR/velmora} APP_PID="" JACK_PID="" XVFB_PID=""
declare -A SRC_PID=() SRC_FD=() SRC_OUT=()

rig_cleanup() { # [STATUS], by default that of the script
  local status=${1:-$?} pid
  # A sanitizer report from the synth fails the run, whatever it checked.
  grep -qE "Sanitizer|runtime error:" "$RIG/app.log" 2>/dev/null &&
    status=1 && echo "FAIL: sanitizer report from the synth" >&2
  [ $status = 0 ] || tail -20 "$RIG/app.log" 2>/dev/null || true
  for pid in $APP_PID "${SRC_PID[@]}" $JACK_PID $XVFB_PID; do
    { kill -9 "$pid" && wait "$pid"; } 2>/dev/null || true
  done
  [ -n "${KEEP_RIG:-}" ] || rm -rf "$RIG"
  exit $status
}
trap rig_cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

wait_for() { # SECONDS COMMAND...: until the command succeeds, for at most SECONDS
  local deadline=$((SECONDS + $1))
  until "${@:2}" >/dev/null 2>&1; do [ $SECONDS -lt $deadline ] && sleep 0.05 || return 1; done
}
in_range() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }

# -noreset: an X server resets when its last client leaves and refuses
# connections meanwhile, so a synth started just as the previous one ended
# could find no display on a busy machine.
start_x() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$RIG/display" 2>/dev/null &
  XVFB_PID=$!
  wait_for 10 test -s "$RIG/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$RIG/display")"
}

# The JACK server is the only MIDI world the synth sees: it has no MIDI port
# until a test starts a source, and the rig's ALSA configuration has no
# sequencer, whatever the machine has.
start_jack() {
  export JACK_DEFAULT_SERVER="velmora-$$-$RANDOM" JACK_NO_START_SERVER=1
  jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r 44100 -p 256 >"$RIG/jack.log" 2>&1 &
  JACK_PID=$! && wait_for 10 jack_lsp || fail "jackd did not start"
}

# A self-contained ALSA configuration (the machine's is never read): the
# default device writes raw float32 mono samples to $AUDIO, paced in real
# time by the JACK server's clock.
use_captured_audio() {
  export AUDIO="$RIG/out.raw" ALSA_CONFIG_PATH="$RIG/asound.conf"
  cat >"$ALSA_CONFIG_PATH" <<CONF
pcm.!default { type file; format "raw"; file "$AUDIO"
  slave.pcm { type jack; playback_ports { 0 system:playback_1 }
    capture_ports { 0 system:capture_1 } } }
CONF
}

# A JACK MIDI source named $1 (midi_source.cpp): `send NAME COMMAND...`
# drives it, `answer NAME PATTERN` waits for its reply.
start_source() {
  local io="$RIG/$1.$RANDOM" fd
  mkfifo "$io.in"
  "$BUILD_DIR/midi_source" "$1" <"$io.in" >"$io.out" 2>&1 & SRC_PID[$1]=$!
  exec {fd}>"$io.in"
  SRC_FD[$1]=$fd SRC_OUT[$1]="$io.out"
  answer "$1" '^ready' || fail "MIDI source $1 did not start"
}
send() { echo "${*:2}" >&"${SRC_FD[$1]}"; }
connected() { jack_lsp -c "$1:$1" | grep -qx "   Velmora:input"; } # the synth hears source $1
patch() { jack_"$1" "$2:$2" Velmora:input; } # connect|disconnect SOURCE, as a patchbay does
answer() { wait_for 30 grep -q "$2" "${SRC_OUT[$1]}"; }

start_app() { "$APP" >>"$RIG/app.log" 2>&1 & APP_PID=$!; }
app_ends() { # EXIT_CODE: the synth ends within 3 seconds with this code
  wait_for 3 bash -c "! kill -0 $APP_PID" || fail "the synth is still running"
  local status=0 && wait "$APP_PID" || status=$?
  APP_PID="" && [ "$status" = "$1" ] || fail "exit code $status, expected $1"
}

# Waits up to $2 seconds (30) for a top-level window with exactly this title; prints its id.
window_id() {
  wait_for "${2:-30}" xdotool search --name "^$1\$" && xdotool search --name "^$1\$" | sed -n 1p
}
corner() { # WINDOW: its upper-left corner on the screen, "X Y"
  xwininfo -id "$1" | awk '/ute upper-left X/{x=$4} /ute upper-left Y/{y=$4} END{print x, y}'
}

# The synth's window: its id in WIN; mouse and pixel positions below are in
# its client area, whose origin is OX, OY + MENU.
MENU=25
open_window() {
  WIN=$(window_id Velmora) || fail "no window"
  read -r OX OY < <(corner "$WIN")
}
# No --sync: it waits for ever when the pointer is already there; the server
# handles the events in order anyway.
move_to() { xdotool mousemove $((OX + $1)) $((OY + MENU + $2)); }
press_at() { move_to "$1" "$2" && xdotool mousedown 1; }
release() { xdotool mouseup 1; }
click_at() { press_at "$1" "$2" && sleep 0.05 && release; }
drag() { # X1 Y1 X2 Y2, in small steps as a hand does
  press_at "$1" "$2"
  for i in 1 2 3 4 5 6 7 8; do
    move_to $(($1 + ($3 - $1) * i / 8)) $(($2 + ($4 - $2) * i / 8)) && sleep 0.02
  done
  sleep 0.1 && release
}

# The usual stage: X, JACK, captured audio, the MIDI sources named (in port
# order), then the synth with its window open and audio flowing.
start_playing() {
  start_x && start_jack && use_captured_audio
  for name in "$@"; do start_source "$name"; done
  start_app && open_window && wait_samples 22050
}

captured() { echo $(($(stat -c %s "$AUDIO" 2>/dev/null || echo 0) / 4)); }
has_samples() { [ "$(captured)" -ge "$1" ]; }
wait_samples() { wait_for 60 has_samples $(($(captured) + $1)) || fail "audio stopped flowing"; }
measure() { # COUNT: RMS and HZ of the last COUNT samples (audio_probe.cpp)
  local out && out=$("$BUILD_DIR/audio_probe" "$AUDIO" $(($(captured) - $1)) "$1") ||
    fail "the audio could not be measured"
  read -r RMS HZ <<<"$out"
}
listen() { wait_samples "$1" && measure 8820; } # then the last 0.2 s

screenshot() { import -window root "$RIG/screen.png"; }
# Colour of a client-area pixel of the last screenshot, as "srgb(R,G,B)".
pixel() { convert "$RIG/screen.png" -format "%[pixel:p{$((OX + $1)),$((OY + MENU + $2))}]" info:; }
# A client-area rectangle (W H X Y) of a new screenshot, saved as $RIG/$5.png.
snap() {
  screenshot &&
    convert "$RIG/screen.png" -crop "$1x$2+$((OX + $3))+$((OY + MENU + $4))" +repage "$RIG/$5.png"
}
same() { compare -metric AE "$RIG/$1.png" "$RIG/$2.png" null: 2>/dev/null; }
# Dark pixels in the text of the MIDI port list: a port's name shows as dark
# text on the light box.
port_list_ink() {
  snap 100 14 36 408 ports &&
    convert "$RIG/ports.png" -threshold 50% -negate -format "%[fx:int(mean*w*h)]" info:
}
port_listed() { [ "$(port_list_ink)" -gt 20 ]; }
