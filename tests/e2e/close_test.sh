#!/usr/bin/env bash
# The close box ends the program with exit code 0 within a second, also
# while audio is flowing.
source "$(dirname "$0")/rig.sh" "$1"
start_x
start_jack
use_captured_audio
start_app
win=$(window_id Velmora) || fail "no window"
wait_samples 22050
start=$(date +%s%N)
"$BUILD_DIR/tests/xclose" "$win"
wait_for 1 bash -c "! kill -0 $APP_PID" || fail "still running a second after the close request"
elapsed=$((($(date +%s%N) - start) / 1000000))
status=0
wait "$APP_PID" || status=$?
APP_PID=""
[ "$status" = 0 ] || fail "exit code $status"
echo "closed in ${elapsed} ms: ok"
