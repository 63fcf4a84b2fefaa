#!/usr/bin/env bash
# Random playing for SECONDS: notes, knob drags, selector presses, button
# clicks and warp drags, as fast as a restless hand. Any sanitizer report
# fails the run (the rig looks), every sample must be finite, and resident
# memory may grow by less than RSS_LIMIT KiB after the first ten seconds. A
# sanitizer's own allocator grows by itself (about 1 MiB in two minutes where
# the plain build grows by 0), so its build passes "none".
#   soak.sh BUILD_DIR SECONDS RSS_LIMIT|none
source "$(dirname "$0")/rig.sh"
seconds=$2 rss_limit=$3
# Freed memory is reused at once, so the resident size shows real growth
# rather than the sanitizer's quarantine.
export ASAN_OPTIONS="quarantine_size_mb=0:detect_leaks=0:halt_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
start_playing keys

rss() { awk '/VmRSS/ { print $2 }' "/proc/$APP_PID/status"; }
RANDOM=20261206
knobs=("80 90" "80 210" "80 330" "280 90" "380 90" "480 90" "580 90")
buttons=("152 150" "350 205" "555 205")
start=$SECONDS baseline="" actions=0
while [ $((SECONDS - start)) -lt "$seconds" ]; do
  [ -n "$baseline" ] || [ $((SECONDS - start)) -lt 10 ] || baseline=$(rss)
  case $((RANDOM % 6)) in
  0) send keys on $((36 + RANDOM % 60)) $((1 + RANDOM % 127)) ;;
  1) send keys off $((36 + RANDOM % 60)) ;;
  2) read -r x y <<<"${knobs[RANDOM % 7]}" &&
    drag $((x + 5)) "$y" $((x - 35 + RANDOM % 70)) $((y - 35 + RANDOM % 70)) ;;
  3) click_at 150 $((287 + RANDOM % 81)) ;;
  4) read -r x y <<<"${buttons[RANDOM % 3]}" && click_at "$x" "$y" ;;
  5) x=$((RANDOM % 2 ? 237 : 443)) && y=230 &&
    drag $((x + RANDOM % 200)) $((y + RANDOM % 200)) $((x + RANDOM % 200)) $((y + RANDOM % 200)) ;;
  esac
  ((++actions)) && kill -0 "$APP_PID" 2>/dev/null || fail "the synth ended after $actions actions"
done
growth=$(($(rss) - ${baseline:?the soak needs more than ten seconds}))
measure 44100 # fails on a sample that is not finite
echo "soak: $actions actions in $seconds s, resident memory +$growth KiB from $baseline KiB"
[ "$rss_limit" = none ] || [ "$growth" -lt "$rss_limit" ] ||
  fail "resident memory grew by $growth KiB"
