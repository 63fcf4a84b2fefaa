#!/usr/bin/env bash
# Measures the synth's CPU use under Xvfb: idle, and while a knob is dragged
# in circles. Prints percent of one core for each. Needs a built ./build.
#   scripts/measure-ui-cpu.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${2:-10}
source tests/e2e/rig.sh "${1:-build}"
start_x
start_jack
use_captured_audio
start_app
open_window
wait_samples 44100

ticks() { awk '{ print $14 + $15 }' "/proc/$APP_PID/stat"; }
hz=$(getconf CLK_TCK)
percent() { awk -v t="$1" -v hz="$hz" -v s="$2" 'BEGIN { printf "%.1f", 100 * t / hz / s }'; }

t0=$(ticks)
start=$(date +%s.%N)
sleep "$seconds"
t1=$(ticks)
elapsed=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
echo "idle: $(percent $((t1 - t0)) "$elapsed")% of one core"

# Drag the Decay knob (centre 380, 90) round and round.
press_at 390 90
t0=$(ticks)
start=$(date +%s.%N)
end=$((SECONDS + seconds))
while [ $SECONDS -lt $end ]; do
  for a in 0 30 60 90 120 150 180 210 240 270 300 330; do
    x=$(awk -v a="$a" 'BEGIN { printf "%d", 380 + 30 * cos(a * 3.14159 / 180) }')
    y=$(awk -v a="$a" 'BEGIN { printf "%d", 90 + 30 * sin(a * 3.14159 / 180) }')
    move_to "$x" "$y"
    sleep 0.01
  done
done
t1=$(ticks)
elapsed=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
release
echo "dragging a knob in circles: $(percent $((t1 - t0)) "$elapsed")% of one core"
