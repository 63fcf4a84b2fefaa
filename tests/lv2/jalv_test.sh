#!/usr/bin/env bash
# The plugin in a real host: jalv loads it from the build tree on a private
# JACK server, a JACK MIDI source plays note 69 and the plugin's output port,
# recorded through ALSA's JACK plugin, sounds at 441 Hz; jalv started on the
# factory preset "FM Bass" (its file, presets/fm-bass.ttl) plays it an octave
# lower.
SCRIPT_ARGS=("$@")
source "$(dirname "$0")/../e2e/rig.sh"

start_jack
start_source keys
mkfifo "$RIG/jalv.in"
exec {JALV}<>"$RIG/jalv.in" # jalv ends when its standard input does
echo "pcm.plugin { type jack; capture_ports { 0 velmora-lv2:out } }" >"$RIG/capture.conf"

# jalv on the plugin with these arguments, its output recorded afresh to $AUDIO.
start_jalv() {
  local pid
  for pid in $APP_PID ${SRC_PID[arecord]:-}; do kill "$pid" && wait "$pid" 2>/dev/null || true; done
  # The next jalv takes the same JACK name once the last one has left.
  wait_for 10 eval '[[ $(jack_lsp) != *velmora-lv2:* ]]' || fail "the last jalv is still on JACK"
  LV2_PATH="$BUILD_DIR/lv2" jalv -n velmora-lv2 "$@" <"$RIG/jalv.in" >>"$RIG/app.log" 2>&1 &
  APP_PID=$!
  wait_for 20 jack_connect keys:keys velmora-lv2:midi_in || fail "jalv did not load the plugin"
  wait_for 5 eval '[[ $(jack_lsp) == *velmora-lv2:out* ]]' || fail "no output port"
  AUDIO="$RIG/out.$APP_PID.raw"
  ALSA_CONFIG_PATH="$RIG/capture.conf" arecord -q -D plugin -t raw -f FLOAT_LE -c 1 -r 44100 "$AUDIO" &
  SRC_PID[arecord]=$!
  wait_samples 4410
}
# Note 69 for a second; RMS and HZ of its end (listen, rig.sh).
play() { send keys on 69 100 && listen 44100 && send keys off 69 && wait_samples 11025; }

start_jalv https://velmora.example/lv2/velmora
play
in_range "$HZ" 440 442 || fail "note 69 sounds at $HZ Hz, expected 441"
start_jalv -l "$BUILD_DIR/lv2/velmora.lv2/presets/fm-bass.ttl"
play
in_range "$HZ" 219.5 221.5 || fail "with FM Bass note 69 sounds at $HZ Hz, expected 220.5"
echo "PASS: 441 Hz, then 220.5 Hz with the preset FM Bass"
