#!/usr/bin/env bash
# With no MIDI port at all the synth starts, lists nothing and stays silent.
source "$(dirname "$0")/rig.sh" "$1"
start_playing
wait_samples 22050
dark=$(port_list_ink)
[ "$dark" -lt 5 ] || fail "the port list shows something ($dark dark pixels)"
"$PROBE" "$AUDIO" silent 0 "$(captured)" || fail "sound without MIDI"
kill -0 "$APP_PID" || fail "not running"
echo "no MIDI port: ok"
