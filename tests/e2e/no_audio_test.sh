#!/usr/bin/env bash
# With no usable audio device the "PortAudio" box comes before any main
# window, and dismissing it ends the program with exit code 1.
source "$(dirname "$0")/rig.sh" "$1"
start_x
unset ALSA_CONFIG_PATH
unset JACK_DEFAULT_SERVER
export JACK_NO_START_SERVER=1
start_app
box=$(window_id PortAudio) || fail "no PortAudio box"
if xdotool search --name '^Velmora$' >/dev/null 2>&1; then
  fail "main window exists next to the error box"
fi
xdotool windowfocus --sync "$box" key Return
status=0
wait_for 5 bash -c "! kill -0 $APP_PID" || fail "still running after the box was dismissed"
wait "$APP_PID" || status=$?
APP_PID=""
[ "$status" = 1 ] || fail "exit code $status, expected 1"
echo "no audio device: ok"
