#!/usr/bin/env bash
# The plugin and its window in real hosts, on a private JACK server and X
# server. jalv.gtk3 and jalv.qt5 embed the window (through suil): its
# painted controls match the program's window pixel for pixel, note 69 from
# a JACK MIDI source sounds at 441 Hz on the plugin's output, dragging the
# Osc 1 knob raises it; in jalv.gtk3 the host's FM Bass preset moves the
# knobs and plays the note an octave lower. Then two windows in one process
# (ui_host.cpp): a drag in one writes only its own ports and leaves the
# other's picture as it was, and closing one leaves the other working. What
# the window costs is printed, not asserted.
source "$(dirname "$0")/../e2e/rig.sh"
start_x && start_jack && use_captured_audio && start_source keys
export LV2_PATH="$BUILD_DIR/lv2:/usr/lib/lv2" NO_AT_BRIDGE=1

# The painted controls (W H X Y below the menu bar): the knobs Osc 1, Osc 2
# and Attack, the mode selector, Sync, a Group button and a warp canvas.
controls=("80 80 40 50" "80 80 40 170" "80 80 240 50" "20 85 140 285" "41 41 132 130"
  "41 41 330 185" "200 200 237 230")
snap_controls() { # PREFIX
  for i in "${!controls[@]}"; do snap ${controls[$i]} "$1$i"; done
}
start_app && open_window && snap_controls program
"$BUILD_DIR/xclose" "$WIN" && app_ends 0

plugin_windows() { [ "$(xdotool search --classname '^velmora-plugin$' | wc -l)" -ge "$1" ]; }
# The plugin's window N (1) counted from the top of the screen: WIN, and its
# corner OX, OY.
plugin_window() {
  wait_for 20 plugin_windows "${1:-1}" || fail "no plugin window ${1:-1}"
  read -r WIN OX OY < <(for w in $(xdotool search --classname '^velmora-plugin$'); do
    echo "$w $(corner "$w")"
  done | sort -n -k3 | sed -n "${1:-1}p")
  MENU=0
}
looks_as_program() { # PREFIX [N]: plugin window N's painted controls, taken anew, are the program's
  plugin_window "${2:-1}" && snap_controls "$1" || return 1
  for i in "${!controls[@]}"; do same "program$i" "$1$i" || return 1; done
}
record() { # JACK_CLIENT: its output, captured from here on
  echo "pcm.c { type jack; capture_ports { 0 $1:out } }" >"$RIG/c.conf"
  ALSA_CONFIG_PATH="$RIG/c.conf" arecord -q -Dc -traw -fFLOAT_LE -c1 -r44100 "$AUDIO" &
  SRC_PID[rec]=$!
}
# Note 69 for a second; RMS and HZ of its end (listen, rig.sh).
play() { send keys on 69 100 && listen 44100 && send keys off 69 && wait_samples 11025; }

# jalv.qt5 takes neither a JACK name (it is the plugin's) nor control values.
for host in jalv.gtk3 jalv.qt5; do
  name=Velmora && [ $host = jalv.qt5 ] || name=jalv-gtk3
  if [ $host = jalv.gtk3 ]; then
    # Mix 100: oscillator 1 alone, whose pitch the Osc 1 knob sets.
    exec jalv.gtk3 --jack-name $name -c mix=100 https://velmora.example/lv2/velmora
  else
    exec jalv.qt5 https://velmora.example/lv2/velmora
  fi >"$RIG/app.log" 2>&1 &
  APP_PID=$!
  plugin_window
  wait_for 20 jack_connect keys:keys "$name:midi_in" || fail "$host did not run the plugin"
  # Until the host has placed the window and it has painted itself.
  wait_for 10 looks_as_program "$host" ||
    fail "$host: the painted controls differ from the program's"
  record "$name" && play && in_range "$HZ" 440 442 || fail "$host: note 69 at $HZ Hz, not 441"
  # Osc 1 from 12 o'clock to half past one: +300 cents, alone about 524 Hz.
  drag 80 70 110 60 && play
  if [ $host = jalv.gtk3 ]; then in_range "$HZ" 515 535; else ! in_range "$HZ" 440 442; fi ||
    fail "$host: after the Osc 1 drag note 69 sounds at $HZ Hz"
  if [ $host = jalv.gtk3 ]; then
    screenshot && cp "$RIG/screen.png" "$RIG/host.png"
    # FM Bass from the Presets menu, whose order is the host's: it is the only preset
    # whose two pitch knobs look alike and moved.
    fm_bass() { snap ${controls[0]} osc1 && snap ${controls[1]} osc2 && same osc1 osc2 &&
      ! same program1 osc2; }
    top=$(window_id Velmora) # a preset's name joins the title
    for presets_up in 1 2 3 4 5 6 7 8; do # from the first menu item, upwards round to the end
      xdotool mousemove 1000 1000 windowfocus --sync "$top" key alt+p sleep 0.5 \
        key --repeat $presets_up --delay 100 Up sleep 0.2 key Return sleep 0.5
      fm_bass && break
    done
    fm_bass || fail "the FM Bass preset did not move the pitch knobs"
    play && in_range "$HZ" 219.5 221.5 || fail "with FM Bass note 69 sounds at $HZ Hz, not 220.5"
  fi
  { kill "$APP_PID" "${SRC_PID[rec]}" && wait "$APP_PID" "${SRC_PID[rec]}"; } 2>/dev/null || true
  APP_PID=""
done
[ -z "${VELMORA_SCREENSHOTS:-}" ] ||
  convert "$RIG/host.png" -crop 665x465+0+0 +repage "$VELMORA_SCREENSHOTS/plugin-window.png"

# Two windows in one process; the first lies above the second.
mkfifo "$RIG/host.in" && exec {HOST}<>"$RIG/host.in"
"$BUILD_DIR/ui_host" "$BUILD_DIR/lv2/velmora.lv2" <"$RIG/host.in" >"$RIG/host.log" 2>&1 &
APP_PID=$!
writes() { grep -c "^write $1 " "$RIG/host.log"; }
wait_for 10 looks_as_program second 2 || fail "the second window does not look as the program's"
plugin_window 1 && drag 397 410 381 394 # oscillator 1's fourth warp point, picked up as it moves
[ "$(writes 0)" -gt 0 ] && [ "$(writes 1)" = 0 ] || fail "a drag in one window wrote elsewhere"
looks_as_program second 2 || fail "the other window's picture changed"
cpu() { echo $(($(cut -d' ' -f1 "/proc/$APP_PID/schedstat") / 1000)); } # microseconds
idle=$(cpu) && sleep 10 && idle=$(($(cpu) - idle))
plugin_window 1 && press_at 80 70 && turned=$(cpu)
for i in $(seq 40); do move_to $((40 + i % 2 * 80)) 30 && sleep 0.05; done
release && turned=$(($(cpu) - turned))
echo close 0 >&$HOST && wait_for 5 grep -q "^closed 0" "$RIG/host.log"
plugin_window 1 && drag 80 70 40 90 && [ "$(writes 1)" -gt 0 ] ||
  fail "closing one window stopped the other"
awk -v i="$idle" -v t="$turned" -v up="$(grep '^up' "$RIG/host.log" | cut -d' ' -f3 | xargs)" \
  'BEGIN { printf "cost: two windows idle %.3f%% of a core, a knob turned %.2f%%, up in %s s\n",
    i / 1e5, t / 2e4, up }'
