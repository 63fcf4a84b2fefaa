#!/usr/bin/env bash
# The real program as a player meets it, under Xvfb with the real audio and
# MIDI path: the window, notes at their pitch, a knob drag, a flood, a source
# that restarts, a patchbay, a keyboard plugged in and chosen, audio stalls,
# About, the close box; then a second start whose audio server dies under it.
# A step is mostly one line: actions, then what must follow from them, or the
# failure.
source "$(dirname "$0")/rig.sh"
start_playing keys

# --- The window: size, place, first drawings, and the source started before
# the synth listed as its port 0. The README's picture comes from here:
#   SCREENSHOT_OUT=docs/window.png tests/e2e/story_test.sh build
size=$(xwininfo -id "$WIN" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[ "$size $OX $OY" = "665x465 307 279" ] || fail "window $size at $OX $OY, not 665x465 centred"
screenshot
[ -z "${SCREENSHOT_OUT:-}" ] ||
  convert "$RIG/screen.png" -crop "665x465+$OX+$OY" +repage "$SCREENSHOT_OUT"
# What, where, which colour.
set -- panel 10 300 85,0,0 selector-block 150 288 0,0,0 \
  selector-lower-part 150 347 237,237,237 round-button-centre 152 150 255,255,255 \
  warp-point-1 242 420 0,255,0 warp-point-4 400 408 255,0,0 mix-sector 111 330 0,255,0 \
  pitch-knob-without-sector 111 90 18,18,18
for ((; $# > 0; )); do
  [ "$(pixel "$2" "$3")" = "srgb($4)" ] || fail "$1 at ($2, $3) is $(pixel "$2" "$3"), not $4"
  shift 4
done
port_listed || fail "the port list shows no entry"
measure 22050 && [ "$RMS" = 0 ] || fail "sound before any note"
snap 45 20 170 407 off

# --- Note 69 sounds at 441 Hz (a whole period of 100 samples), the label
# names it, and the release ends in exact silence.
send keys on 69 100 && listen 66150 && in_range "$HZ" 440.5 441.5 ||
  fail "note 69 at $HZ Hz (rms $RMS)"
full=$RMS
snap 45 20 170 407 a5 && ! same a5 off || fail "the label does not show the note"
send keys off 69 && listen 26460 && [ "$RMS" = 0 ] || fail "no silence after the release"

# --- A knob drag changes the sound: Sustain (centre 480, 90) turned from noon
# to 3 o'clock halves the level of the next note's sustain.
drag 490 90 515 90
send keys on 69 100 && listen 66150 &&
  in_range "$RMS" $(awk "BEGIN { print $full * 0.48, $full * 0.52 }") ||
  fail "Sustain at 3 o'clock: level $RMS, not half of $full"
send keys off 69

# --- 10,000 mixed messages a second for 3 s, then 200 note-offs, which
# leave nothing held whatever the flood left (a busy machine may drop some of
# the flood's events in JACK itself): two note-ons set the pitch, and the
# gate closes with the second note-off, not before.
send keys flood 10000 3 7 && answer keys '^flooded' || fail "the flood did not finish"
for ((i = 0; i < 200; i++)); do send keys off 72; done
listen 26460 && [ "$RMS" = 0 ] || fail "sound after the flood and 200 note-offs"
send keys on 72 100 && send keys on 72 100 && listen 22050 && in_range "$HZ" 524.5 525.5 ||
  fail "after the flood note 72 sounds at $HZ Hz"
send keys off 72 && listen 22050 && [ "$RMS" != 0 ] ||
  fail "after the flood the gate closed with the first of two note-offs"
send keys off 72 && listen 26460 && [ "$RMS" = 0 ] ||
  fail "after the flood the gate stayed open after the last note-off"

# --- The source quits and comes back twice in quick succession while a note
# is held: the note releases, the label says so, the synth is connected again
# within a second of the source's return, and the next note plays.
send keys on 69 100; wait_samples 22050
send keys restart 2 && answer keys '^restarted' || fail "the source did not restart"
t0=$(date +%s%N) && wait_for 3 connected keys || fail "no connection after two quick restarts"
ms=$((($(date +%s%N) - t0) / 1000000)) && [ $ms -le 1000 ] || fail "connected only after $ms ms"
listen 88200 && [ "$RMS" = 0 ] || fail "the held note kept sounding after its source restarted"
snap 45 20 170 407 label && same label off ||
  fail "the label stays on the note after its source restarted"
send keys on 57 100 && listen 22050 && in_range "$HZ" 220 221 ||
  fail "the restarted source does not play (note 57 at $HZ Hz)"
send keys off 57

# --- A patchbay breaks the connection under a held note: the note releases,
# the label and the list show no port in use, and a source that comes does not
# undo it. A connection made in the patchbay plays and shows in the list;
# choosing the port in the list connects it again.
send keys on 69 100; wait_samples 22050
patch disconnect keys && listen 26460 && [ "$RMS" = 0 ] || fail "sound after a disconnect"
snap 45 20 170 407 label && same label off || fail "the label stays on the note after a disconnect"
! port_listed || fail "the list shows a disconnected port as in use"
start_source late && sleep 0.5 && ! connected keys || fail "the synth undid the disconnect"
patch connect keys && wait_for 2 port_listed || fail "the list does not show the patched port"
send keys on 57 100 && listen 22050 && in_range "$HZ" 220 221 ||
  fail "the patched port does not play"
send keys off 57
patch disconnect keys && sleep 0.5
click_at 97 415; sleep 1; xdotool key Down Return
wait_for 2 connected keys || fail "choosing the disconnected port does not connect it again"

# --- A keyboard plugged in after the start is listed when the list is
# opened; choosing it releases the note held on the old port, and the label
# follows the new port's notes.
send keys on 69 100; wait_samples 22050
click_at 97 415; sleep 1 # the menu pops up, whatever else runs on the machine
xdotool key Down Return
listen 44100 && [ "$RMS" = 0 ] || fail "the held note did not release when the port changed"
send late on 60 100 && listen 22050 && in_range "$HZ" 260.4 261.4 ||
  fail "the new port does not play (note 60 at $HZ Hz)"
snap 45 20 170 407 c5 && ! same c5 a5 && ! same c5 off ||
  fail "the label does not show the new port's note"

# --- The audio server stalls for 1.5 s, then for 3 s, and recovers: no box,
# and the held note plays on.
for stall in 1.5 3; do
  kill -STOP "$JACK_PID" && sleep $stall && kill -CONT "$JACK_PID" && listen 22050 &&
    in_range "$HZ" 260.4 261.4 || fail "the note does not play on after a $stall s stall"
  ! xdotool search --name '^PortAudio$' || fail "a PortAudio box after a $stall s stall"
done
send late off 60

# --- About opens a box; its button closes it, and the synth runs on.
xdotool mousemove $((OX + 10)) $((OY + 12)) click 1; sleep 1; xdotool key Down Return
box=$(window_id About 10) || fail "no About box"
xdotool windowfocus --sync "$box" key Return
wait_for 5 bash -c '! xdotool search --name "^About\$"' || fail "the About box stays open"

# --- The close box, even in the middle of a knob drag, ends the synth with
# code 0; nothing was printed on the terminal all along.
press_at 490 90; move_to 500 100
"$BUILD_DIR/xclose" "$WIN"; app_ends 0
release
[ ! -s "$RIG/app.log" ] || fail "the synth printed: $(head -5 "$RIG/app.log")"

# --- Started again, the synth loses its audio server: within 3 s a
# "PortAudio" box says so, and dismissing it ends the synth with exit code 1.
start_app; open_window; wait_samples 22050
start=$(date +%s%N) && { kill -9 "$JACK_PID" && wait "$JACK_PID"; } 2>/dev/null || true
box=$(window_id PortAudio 4) || fail "no PortAudio box within 4 s of the audio server's death"
ms=$((($(date +%s%N) - start) / 1000000)) && echo "PortAudio box $ms ms after the audio server died"
[ $ms -le 3000 ] || fail "the PortAudio box came only $ms ms after the audio server died"
xdotool windowfocus --sync "$box" key Return; app_ends 1
echo "story: ok"
