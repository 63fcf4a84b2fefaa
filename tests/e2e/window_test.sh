#!/usr/bin/env bash
# The window appears with its title and first drawings, and the audio is
# exact silence while no note has been played.
source "$(dirname "$0")/rig.sh" "$1"
start_x
start_jack
use_captured_audio
start_app
win=$(window_id Velmora) || fail "no window titled Velmora"
wait_samples 44100 # a second of audio
read -r ox oy < <(window_origin "$win")
[ "$(xwininfo -id "$win" | awk '/Width/{print $2}')" = 665 ] || fail "window width"
[ "$(xwininfo -id "$win" | awk '/Height/{print $2}')" = 465 ] || fail "window height"
# Centred on the 1280 x 1024 screen.
[ "$ox" = 307 ] && [ "$oy" = 279 ] || fail "window not centred: $ox $oy"
screenshot "$RIG/shot.png"
# The README's picture of the window comes from here:
#   SCREENSHOT_OUT=docs/window.png tests/e2e/window_test.sh build
if [ -n "${SCREENSHOT_OUT:-}" ]; then
  convert "$RIG/shot.png" -crop "665x465+$ox+$oy" +repage "$SCREENSHOT_OUT"
fi

menu=25 # menu bar height: every control sits this far below its table row
expect() { # name x y colour (x, y in the client area below the menu bar)
  local got
  got=$(pixel "$RIG/shot.png" $((ox + $2)) $((oy + menu + $3)))
  [ "$got" = "$4" ] || fail "$1 at ($2, $3): expected $4, got $got"
}
expect "panel" 10 300 "85,0,0"
expect "panel between boxes" 225 200 "85,0,0"
# Mode selector: the surface starts inside the 2-pixel border at (142, 287);
# the block with its stripes is at the top, the rest light.
expect "selector stripe" 150 $((287 + 0)) "153,153,153"
expect "selector block" 150 $((287 + 1)) "0,0,0"
expect "selector block" 150 $((287 + 29)) "0,0,0"
expect "selector lower part" 150 $((287 + 60)) "237,237,237"
# Round buttons in their off look: white in the centre, darker towards the rim.
for b in "132 130" "330 185" "535 185"; do
  read -r bx by <<<"$b"
  expect "round button centre" $((bx + 20)) $((by + 20)) "255,255,255"
  expect "round button corner" $((bx + 1)) $((by + 1)) "85,0,0"
done
# Warp canvases: points 1 (green) and 4 (red), black elsewhere.
for c in 237 443; do
  expect "warp point 1" $((c + 8 - 3)) $((230 + 190)) "0,255,0"
  expect "warp point 4" $((c + 160 + 3)) $((230 + 180 - 2)) "255,0,0"
  expect "warp point 3" $((c + 80 - 3)) $((230 + 10 + 1)) "255,255,255"
  expect "warp background" $((c + 20)) $((230 + 20)) "0,0,0"
done
# Knob sectors: mix and sustain half-filled clockwise (green at 3 o'clock,
# none at 9), attack 40 degrees, the pitch knobs none.
expect "mix sector" $((80 + 31)) 330 "0,255,0"
expect "sustain sector" $((480 + 31)) 90 "0,255,0"
expect "attack sector" $((280 + 10)) $((90 - 29)) "0,255,0"
expect "release sector" 580 $((90 + 31)) "0,255,0"
for k in "80 90" "80 210"; do
  read -r kx ky <<<"$k"
  got=$(pixel "$RIG/shot.png" $((ox + kx + 31)) $((oy + menu + ky)))
  [ "$got" != "0,255,0" ] || fail "pitch knob shows a sector at start"
done

"$PROBE" "$AUDIO" silent 0 "$(captured)" || fail "sound before any note"
echo "window and silence: ok"
