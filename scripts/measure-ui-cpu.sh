#!/usr/bin/env bash
# Measures the synth under the end-to-end rig (Xvfb, a private JACK server,
# captured audio, a JACK MIDI source), RUNS times, each with a fresh synth:
#   start-up: from launching the program to its window being mapped;
#   idle: percent of one core for the whole process and for its GUI thread;
#   drag: the Decay knob dragged in circles, the whole process, and the X
#         server's work above what the same pointer moves cost it beside the
#         window (xdotool's own share).
# Each run is printed with the 1-minute load average, then the medians.
#   scripts/measure-ui-cpu.sh [BUILD_DIR] [SECONDS] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
SCRIPT_ARGS=("$@")
seconds=${2:-20}
runs=${3:-3}
source tests/e2e/rig.sh "${1:-build}"
start_x
start_jack
use_captured_audio
# A keyboard is connected, as when a musician plays: its port is open at rest.
start_source keys

hz=$(getconf CLK_TCK)
# CPU time in ns: the whole process from its clock ticks (threads that ended
# included), one thread from the scheduler's nanoseconds.
ticks() { awk -v hz="$hz" '{ printf "%.0f", ($14 + $15) * 1e9 / hz }' "$1"; }
ns() { cut -d' ' -f1 "$1"; }
percent() { awk -v t="$1" -v s="$2" 'BEGIN { printf "%.2f", 100 * t / 1e9 / s }'; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { print b - a }'; }
load() { cut -d' ' -f1 /proc/loadavg; }

# One circle of 12 points around a centre, radius 30, client coordinates.
circle() {
  awk -v cx="$1" -v cy="$2" 'BEGIN { for (a = 0; a < 360; a += 30)
    printf "%d %d\n", cx + 30 * cos(a * 3.14159 / 180), cy + 30 * sin(a * 3.14159 / 180) }'
}
# Moves the pointer round the circle for $seconds; $1 = root offset x, y.
circles() {
  local points end
  points=$(circle "$1" "$2")
  end=$((SECONDS + seconds))
  while [ $SECONDS -lt $end ]; do
    while read -r x y; do
      xdotool mousemove "$((OX + x))" "$((OY + MENU + y))"
      sleep 0.01
    done <<<"$points"
  done
}

# Prints "startup idle gui drag xextra" for one fresh synth.
measure_once() {
  local maps="$RIG/maps" t0 t1 g0 g1 x0 x1 start elapsed xdotool_x
  : >"$maps"
  # The window's map, timed by a listener on the root window.
  xev -root -event substructure | while read -r line; do
    case $line in MapNotify*) now >>"$maps" ;; esac
  done &
  local listener=$!
  sleep 0.5
  start=$(now)
  "$BUILD_DIR/velmora" >"$RIG/app.log" 2>&1 &
  APP_PID=$!
  wait_for 30 test -s "$maps" || fail "no window"
  local startup
  startup=$(awk -v a="$start" -v b="$(head -n1 "$maps")" 'BEGIN { printf "%.3f", b - a }')
  kill "$listener" 2>/dev/null || true
  open_window
  wait_samples 44100
  local stat="/proc/$APP_PID/stat" gui="/proc/$APP_PID/task/$APP_PID/schedstat"
  local xs="/proc/$XVFB_PID/schedstat"

  t0=$(ticks "$stat") g0=$(ns "$gui") start=$(now)
  sleep "$seconds"
  t1=$(ticks "$stat") g1=$(ns "$gui") elapsed=$(since "$start")
  local idle gui_idle
  idle=$(percent $((t1 - t0)) "$elapsed")
  gui_idle=$(percent $((g1 - g0)) "$elapsed")

  # The same moves beside the window: what xdotool's requests cost the server.
  x0=$(ns "$xs") start=$(now)
  OX=$((OX + 700)) circles 0 90
  x1=$(ns "$xs") elapsed=$(since "$start")
  xdotool_x=$(percent $((x1 - x0)) "$elapsed")

  # Drag the Decay knob (centre 380, 90) round and round.
  press_at 390 90
  t0=$(ticks "$stat") x0=$(ns "$xs") start=$(now)
  circles 380 90
  t1=$(ticks "$stat") x1=$(ns "$xs") elapsed=$(since "$start")
  release
  local drag xextra
  drag=$(percent $((t1 - t0)) "$elapsed")
  xextra=$(awk -v d="$(percent $((x1 - x0)) "$elapsed")" -v b="$xdotool_x" 'BEGIN { printf "%.2f", d - b }')
  kill "$APP_PID" 2>/dev/null || true
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=""
  echo "$startup $idle $gui_idle $drag $xextra"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

results=()
printf '%-4s %-6s %-10s %-10s %-10s %-10s %-10s\n' run load start-up idle-whole idle-gui drag-whole drag-X-extra
for run in $(seq 1 "$runs"); do
  before=$(load)
  r=$(measure_once)
  results+=("$r")
  read -r s i g d x <<<"$r"
  printf '%-4s %-6s %-10s %-10s %-10s %-10s %-10s\n' "$run" "$before" "${s}s" "$i%" "$g%" "$d%" "$x%"
done
col() { printf '%s\n' "${results[@]}" | awk -v c="$1" '{ print $c }' | median; }
printf '%-4s %-6s %-10s %-10s %-10s %-10s %-10s\n' median "$(load)" "$(col 1)s" "$(col 2)%" "$(col 3)%" \
  "$(col 4)%" "$(col 5)%"
