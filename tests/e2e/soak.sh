#!/usr/bin/env bash
# Two minutes of random playing: notes, knob drags, selector presses, button
# clicks and warp drags, as fast as a restless hand. Meant for a build with
# AddressSanitizer and UndefinedBehaviorSanitizer: any report ends the
# program, which fails the run. Also: every sample must be finite, and
# resident memory may grow by less than RSS_LIMIT KiB (1024) after the first
# ten seconds. A sanitizer's own allocator and bookkeeping grow by themselves
# (+0.7 to +1.1 MiB over two minutes where the plain build grows by 0), so
# its build passes "none" and the plain build's soak checks the memory.
#   soak.sh BUILD_DIR [SECONDS] [RSS_LIMIT|none]
SCRIPT_ARGS=("$@")
source "$(dirname "$0")/rig.sh" "$1"
seconds=${2:-120}
rss_limit=${3:-1024}
# Freed memory is reused at once, so the resident size shows real growth
# rather than the sanitizer's quarantine.
export ASAN_OPTIONS="quarantine_size_mb=0:detect_leaks=0:halt_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
start_playing velmora-test-source

rss() { awk '/VmRSS/ { print $2 }' "/proc/$APP_PID/status"; }
RANDOM=20261206
knobs=("80 90" "80 210" "80 330" "280 90" "380 90" "480 90" "580 90")
buttons=("152 150" "350 205" "555 205")
start=$SECONDS
baseline=""
actions=0
while [ $((SECONDS - start)) -lt "$seconds" ]; do
  [ -z "$baseline" ] && [ $((SECONDS - start)) -ge 10 ] && baseline=$(rss)
  case $((RANDOM % 6)) in
  0) send on $((36 + RANDOM % 60)) $((1 + RANDOM % 127)) ;;
  1) send off $((36 + RANDOM % 60)) ;;
  2)
    read -r kx ky <<<"${knobs[RANDOM % 7]}"
    drag $((kx + 5)) "$ky" $((kx - 35 + RANDOM % 70)) $((ky - 35 + RANDOM % 70))
    ;;
  3) click_at 150 $((287 + RANDOM % 81)) ;;
  4)
    read -r bx by <<<"${buttons[RANDOM % 3]}"
    click_at "$bx" "$by"
    ;;
  5)
    c=$((RANDOM % 2 ? 237 : 443))
    drag $((c + RANDOM % 200)) $((230 + RANDOM % 200)) $((c + RANDOM % 200)) $((230 + RANDOM % 200))
    ;;
  esac
  actions=$((actions + 1))
  kill -0 "$APP_PID" 2>/dev/null || fail "the synth ended after $actions actions"
done
final=$(rss)
grep -E "Sanitizer|runtime error" "$RIG/app.log" && fail "sanitizer report"
"$PROBE" "$AUDIO" finite >/dev/null || fail "non-finite samples"
growth=$((final - baseline))
echo "soak: $actions actions in $seconds s, resident $baseline -> $final KiB (+$growth KiB)"
[ "$rss_limit" = none ] || [ "$growth" -lt "$rss_limit" ] ||
  fail "resident memory grew by $growth KiB"
echo "soak: ok"
