#!/usr/bin/env bash
# The port list, the About box and the close box under real mouse input.
source "$(dirname "$0")/rig.sh" "$1"
start_playing first-source second-source

# A held note on the first port; choosing the second port closes the first,
# so the note releases to silence, and the second port plays.
send_to first-source on 69 100
wait_samples 44100
peak=$("$PROBE" "$AUDIO" peak $(($(captured) - 4410)) 4410)
in_range "$peak" 0.1 10 || fail "no sound from the first port ($peak)"
click_at 97 415
sleep 0.3
xdotool key Down Return
wait_samples 22050 # the release lasts 0.166 s
"$PROBE" "$AUDIO" silent $(($(captured) - 8820)) "$(captured)" >/dev/null ||
  fail "the held note did not release when the port changed"
send_to second-source on 60 100
wait_samples 44100
hz=$("$PROBE" "$AUDIO" period $(($(captured) - 8820)) 8820)
in_range "$hz" 259.9 262 || fail "the second port does not play ($hz Hz)"
send_to second-source off 60
echo "port switch: ok"

# The About item opens a box titled "About"; its button closes it.
xdotool mousemove --sync $((OX + 10)) $((OY + 12)) click 1
sleep 0.3
xdotool key Down Return
box=$(window_id About 10) || fail "no About box"
xdotool windowfocus --sync "$box" key Return
wait_for 5 bash -c '! xdotool search --name "^About\$"' || fail "the About box stays open"
kill -0 "$APP_PID" || fail "the synth ended with the About box"
echo "About box: ok"

# Closing the window while a knob is being dragged ends the program.
press_at 490 90
move_to 500 100
sleep 0.1
"$BUILD_DIR/tests/xclose" "$WIN"
wait_for 1 bash -c "! kill -0 $APP_PID" || fail "still running a second after the close request"
release
status=0
wait "$APP_PID" || status=$?
APP_PID=""
[ "$status" = 0 ] || fail "exit code $status"
echo "close during a drag: ok"
