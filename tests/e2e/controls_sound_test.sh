#!/usr/bin/env bash
# Real mouse input on the real window changes what is heard: the Sustain
# knob, the mode selector, the Sync button and a warp point.
source "$(dirname "$0")/rig.sh" "$1"
start_playing velmora-test-source

# Plays note 69 for a second and a half; prints the rms of its last 0.2 s.
sustained_rms() {
  send on 69 100
  wait_samples 66150
  "$PROBE" "$AUDIO" rms $(($(captured) - 8820)) 8820
}
tail_pitch() { "$PROBE" "$AUDIO" period $(($(captured) - 8820)) 8820; }

full=$(sustained_rms) # default sustain: half level
send off 69
wait_samples 11025

# Sustain knob (centre 480, 90) turned to 3 o'clock: a quarter of full level.
drag 490 90 515 90
quarter=$(sustained_rms)
send off 69
wait_samples 11025
ratio=$(awk -v a="$quarter" -v b="$full" 'BEGIN { print a / b }')
echo "sustain rms $full -> $quarter (ratio $ratio)"
in_range "$ratio" 0.48 0.52 || fail "sustain at 3 o'clock gives rms ratio $ratio, not 0.5"

# Oscillator 2 a tritone up (pitch knob 1 to 3 o'clock), then the selector's
# bottom third: "-AM" at Mix 50 is oscillator 2 alone, 44100 / 71 Hz.
drag 90 210 115 210
click_at 150 357
send on 69 100
wait_samples 66150
hz=$(tail_pitch)
echo "-AM, oscillator 2 at +600 cents: $hz Hz"
in_range "$hz" 619 623 || fail "-AM does not give oscillator 2 alone ($hz Hz)"

# Sync: oscillator 2 now restarts with oscillator 1, every 100 samples.
click_at 152 150
wait_samples 13230
hz=$(tail_pitch)
echo "with Sync: $hz Hz"
in_range "$hz" 440 442 || fail "Sync does not restart oscillator 2 ($hz Hz)"

# The held note is exactly periodic (100 samples); dragging oscillator 2's
# third point changes its waveform at once.
before=$(captured)
wait_samples 8820
same=$("$PROBE" "$AUDIO" change "$before" $((before + 4400)) 4000)
in_range "$same" 0 0.0001 || fail "the held note is not periodic ($same)"
drag 523 240 543 330
wait_samples 4410
after=$(($(captured) - 4000))
aligned=$((after - (after - before) / 100 * 100))
changed=$("$PROBE" "$AUDIO" change "$aligned" "$after" 4000)
echo "waveform change after the warp drag: $changed"
in_range "$changed" 0.05 100 || fail "the warp drag did not change the sound ($changed)"
send off 69
wait_samples 22050
"$PROBE" "$AUDIO" finite >/dev/null || fail "non-finite samples"
echo "controls change the sound: ok"
