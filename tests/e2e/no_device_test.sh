#!/usr/bin/env bash
# Starting without devices, the same on a bare machine as on a desktop with
# sound and MIDI: the rig builds both worlds itself.
source "$(dirname "$0")/rig.sh"

# No MIDI port: the private JACK server has none and the rig's ALSA
# configuration has no sequencer. The synth starts, lists nothing, stays
# silent, and closes with code 0.
start_playing
[ "$(port_list_ink)" -lt 5 ] || fail "the port list shows an entry"
measure 22050 && [ "$RMS" = 0 ] || fail "sound without MIDI"
"$BUILD_DIR/xclose" "$WIN"; app_ends 0

# No audio device, while a working one is there (the rig's JACK server and
# captured ALSA device): an ALSA configuration whose default device cannot
# open and a JACK server name that does not exist. The "PortAudio" box comes
# before any main window, and dismissing it ends the synth with code 1.
echo 'pcm.!default { type hw; card 99 }' >"$RIG/none.conf"
ALSA_CONFIG_PATH="$RIG/none.conf" JACK_DEFAULT_SERVER="velmora-none-$$" start_app
box=$(window_id PortAudio) || fail "no PortAudio box"
xdotool search --name '^Velmora$' && fail "a main window next to the PortAudio box"
xdotool windowfocus --sync "$box" key Return; app_ends 1
# A device that opens but will not start: the same box, then code 1.
LD_PRELOAD="$BUILD_DIR/start_fails.so" start_app
box=$(window_id PortAudio) || fail "no PortAudio box when the stream cannot start"
xdotool windowfocus --sync "$box" key Return; app_ends 1
echo "no device: ok"
