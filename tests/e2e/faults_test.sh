#!/usr/bin/env bash
# The synth survives what happens on stage: a MIDI source vanishing under a
# held note, a flood of mixed MIDI traffic, and its audio server dying.
source "$(dirname "$0")/rig.sh" "$1"
start_playing velmora-test-source

# --- The source vanishes while a note is held: the note releases.
send on 69 100
wait_samples 22050
send quit
wait "$SOURCE_PID" 2>/dev/null || true
wait_samples 66150 # the port is checked twice a second; the release is 0.166 s
"$PROBE" "$AUDIO" silent $(($(captured) - 4410)) "$(captured)" >/dev/null ||
  fail "the held note kept sounding after its source vanished"
kill -0 "$APP_PID" || fail "the synth died with its MIDI source"
# The source comes back; choosing its entry again reopens it.
start_midi_source
click_at 97 415
sleep 0.3
xdotool key Return
sleep 0.5
send on 60 100
wait_samples 44100
hz=$("$PROBE" "$AUDIO" period $(($(captured) - 8820)) 8820)
in_range "$hz" 259.9 262 || fail "the port does not play after it was chosen again ($hz Hz)"
send off 60
wait_samples 22050
echo "vanishing source: ok"

# --- 10,000 messages a second for ten seconds, mixed channels and kinds.
send flood 10000 10 7
wait_for 30 grep -q '^held' "$SOURCE_OUT" || fail "the flood did not finish"
held=$(awk '/^held/ { print $2 }' "$SOURCE_OUT")
kill -0 "$APP_PID" || fail "the synth died in the flood"
# The state is what the messages say: one more note-on sets the pitch, and
# the gate closes with the last of held + 1 note-offs, not before.
send on 72 100
wait_samples 44100
hz=$("$PROBE" "$AUDIO" period $(($(captured) - 8820)) 8820)
in_range "$hz" 524 526 || fail "after the flood note 72 sounds at $hz Hz"
for ((i = 0; i < held; i++)); do send off 72; done
wait_samples 22050
peak=$("$PROBE" "$AUDIO" peak $(($(captured) - 2205)) 2205)
in_range "$peak" 0.05 10 || fail "the gate closed before the last note-off ($held held)"
send off 72
wait_samples 22050
"$PROBE" "$AUDIO" silent $(($(captured) - 4410)) "$(captured)" >/dev/null ||
  fail "the gate stayed open after the last note-off ($held held)"
"$PROBE" "$AUDIO" finite >/dev/null || fail "non-finite samples"
echo "flood of $((10000 * 10)) messages ($held notes left held): ok"

# --- The audio server dies mid-stream: the window stays responsive, and
# closing it ends the program at once with code 0.
kill -9 "$JACK_PID"
wait "$JACK_PID" 2>/dev/null || true
JACK_PID=""
sleep 1
kill -0 "$APP_PID" || fail "the synth died with its audio server"
click_at 152 150 # Sync on: the button turns dark
sleep 0.5
screenshot "$RIG/after.png"
[ "$(pixel "$RIG/after.png" $((OX + 152)) $((OY + MENU + 150)))" != "255,255,255" ] ||
  fail "the window no longer answers"
start=$(date +%s%N)
"$BUILD_DIR/tests/xclose" "$WIN"
wait_for 2 bash -c "! kill -0 $APP_PID" || fail "still running two seconds after the close request"
status=0
wait "$APP_PID" || status=$?
APP_PID=""
[ "$status" = 0 ] || fail "exit code $status"
echo "audio server killed: closed in $((($(date +%s%N) - start) / 1000000)) ms: ok"
