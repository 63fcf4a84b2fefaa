#!/usr/bin/env bash
# The plugin in a real host: jalv loads it from the build tree on a private
# JACK server, a JACK MIDI source plays note 69 and the plugin's output port,
# recorded through ALSA's JACK plugin, sounds at 441 Hz; the factory preset
# "FM Bass", chosen by its name from jalv's list, plays it an octave lower.
source "$(dirname "$0")/../e2e/rig.sh"
start_jack && start_source keys
mkfifo "$RIG/jalv.in" && exec {JALV}<>"$RIG/jalv.in" # jalv reads its commands there
LV2_PATH="$BUILD_DIR/lv2" stdbuf -oL jalv -n velmora-lv2 https://velmora.example/lv2/velmora \
  <"$RIG/jalv.in" >"$RIG/app.log" 2>&1 & APP_PID=$!
wait_for 20 jack_connect keys:keys velmora-lv2:midi_in || fail "jalv did not load the plugin"
AUDIO="$RIG/out.raw"
echo "pcm.c { type jack; capture_ports { 0 velmora-lv2:out } }" >"$RIG/c.conf"
ALSA_CONFIG_PATH="$RIG/c.conf" arecord -q -Dc -traw -fFLOAT_LE -c1 -r44100 "$AUDIO" &
SRC_PID[rec]=$!
# Note 69 for a second; RMS and HZ of its end (listen, rig.sh).
play() { send keys on 69 100 && listen 44100 && send keys off 69 && wait_samples 11025; }
play && in_range "$HZ" 440 442 || fail "note 69 sounds at $HZ Hz, expected 441"
echo presets >&$JALV && wait_for 5 grep -q " (FM Bass)$" "$RIG/app.log" || fail "jalv lists no preset FM Bass"
echo "preset $(sed -n 's/^[> ]*\(.*\) (FM Bass)$/\1/p' "$RIG/app.log")" >&$JALV
play && in_range "$HZ" 219.5 221.5 || fail "with FM Bass note 69 sounds at $HZ Hz, expected 220.5"
