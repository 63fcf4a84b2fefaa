#!/usr/bin/env bash
# The close box ends the program with exit code 0 within a second, also
# while audio is flowing.
source "$(dirname "$0")/rig.sh" "$1"
start_playing
start=$(date +%s%N)
"$BUILD_DIR/tests/xclose" "$WIN"
wait_for 1 bash -c "! kill -0 $APP_PID" || fail "still running a second after the close request"
elapsed=$((($(date +%s%N) - start) / 1000000))
status=0
wait "$APP_PID" || status=$?
APP_PID=""
[ "$status" = 0 ] || fail "exit code $status"
echo "closed in ${elapsed} ms: ok"
