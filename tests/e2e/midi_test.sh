#!/usr/bin/env bash
# Playing through a real MIDI port: a JACK MIDI source started before the
# synth is its port 0, listed and opened at start-up; notes sound at their
# pitch and release to silence; the source quitting does not hurt the synth.
source "$(dirname "$0")/rig.sh" "$1"
start_playing velmora-test-source

# The port list shows the source's name: dark text pixels inside the box.
dark=$(port_list_ink)
[ "$dark" -gt 20 ] || fail "the port list shows no entry ($dark dark pixels)"
# Opened: JACK shows the source connected to the synth.
wait_for 5 bash -c "jack_lsp -c | grep -A1 velmora-test-source | grep -q '^ '" ||
  fail "the source is not connected to the synth"

"$PROBE" "$AUDIO" silent 0 "$(captured)" || fail "sound before the first note"

# Note 69: period 100 samples, 441 Hz, after the fade-out and the attack.
at=$(captured)
send on 69 100
wait_samples 22050
from=$(($(captured) - 13230))
hz=$("$PROBE" "$AUDIO" period "$from" 13230)
awk -v f="$hz" 'BEGIN { exit !(f > 440 && f < 442) }' || fail "note 69 sounds at $hz Hz"
onset=$("$PROBE" "$AUDIO" first-sound "$at")
delay=$((onset - at))
echo "note 69: $hz Hz, first sound $delay samples after the send"
# The first sound comes no earlier than the 1001-sample fade-out allows.
[ "$delay" -ge 1001 ] || fail "sound only $delay samples after the note-on"

# Note off: the release (0.166 s) ends in exact silence.
send off 69
wait_samples 22050
"$PROBE" "$AUDIO" silent $(($(captured) - 8820)) "$(captured)" || fail "no silence after the release"

# A second note sounds at its own pitch: note 60 has period 169 (260.95 Hz).
send on 60 100
wait_samples 22050
hz=$("$PROBE" "$AUDIO" period $(($(captured) - 13230)) 13230)
awk -v f="$hz" 'BEGIN { exit !(f > 259.95 && f < 261.95) }' || fail "note 60 sounds at $hz Hz"
echo "note 60: $hz Hz"

# The source goes away while the note is held: the synth keeps running and
# still closes cleanly.
send quit
wait "$SOURCE_PID" 2>/dev/null || true
SOURCE_PID=""
wait_samples 44100
kill -0 "$APP_PID" || fail "the synth died with the MIDI source"
"$PROBE" "$AUDIO" finite || fail "non-finite samples"
"$BUILD_DIR/tests/xclose" "$WIN"
wait_for 2 bash -c "! kill -0 $APP_PID" || fail "no exit after the close request"
status=0
wait "$APP_PID" || status=$?
APP_PID=""
[ "$status" = 0 ] || fail "exit code $status"
echo "MIDI playing: ok"
