#!/usr/bin/env bash
# With no MIDI port at all the synth starts, lists nothing and stays silent.
source "$(dirname "$0")/rig.sh" "$1"
start_x
start_jack
use_captured_audio
start_app
win=$(window_id Velmora) || fail "no window"
wait_samples 44100
read -r ox oy < <(window_origin "$win")
screenshot "$RIG/shot.png"
dark=$(convert "$RIG/shot.png" -crop "100x14+$((ox + 36))+$((oy + 25 + 408))" -threshold 50% \
  -negate -format "%[fx:int(mean*w*h)]" info:)
[ "$dark" -lt 5 ] || fail "the port list shows something ($dark dark pixels)"
"$PROBE" "$AUDIO" silent 0 "$(captured)" || fail "sound without MIDI"
kill -0 "$APP_PID" || fail "not running"
echo "no MIDI port: ok"
