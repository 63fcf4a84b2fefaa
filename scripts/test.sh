#!/usr/bin/env bash
# The test command. Installs what is missing, then builds and runs, each
# configuration in a build folder of its own (never build/, which run.sh
# keeps for the program alone):
#   plain         unit, end-to-end and soak tests; the benchmarks must build
#   ASan + UBSan  unit tests and a soak of the program
#   TSan          the two-voice and thread-ordering tests
#   RTSan         the engine and the plugin's run() driven through notes and
#                 knob moves, then the program playing, under
#                 RealtimeSanitizer (clang-22)
#   fuzzers       MIDI messages and MIDI files (clang-14 libFuzzer)
#   fresh root    the start command and the README's package steps on a
#                 pristine Debian 12 root, where nothing is installed yet
# Every option a configuration relies on is given here, so a value left in
# a cache cannot switch tests off. A stage that runs no test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
total=0

./scripts/install-deps.sh --test

step() {
  printf '\n=== %s\n' "$*"
  stage_start=$SECONDS
}
done_step() { printf '=== %s tests, %d s\n' "$1" $((SECONDS - stage_start)); }

# configure DIR [cmake options]: the options every configuration states.
configure() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DVELMORA_TESTS=ON -DVELMORA_FUZZ=OFF -DVELMORA_SOAK_SECONDS=30 "$@" >/dev/null
}

# run_ctest DIR [ctest options]: shows the run, fails on a failure or when
# no test ran, and counts the tests.
ran=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT
run_ctest() {
  local dir=$1
  shift
  ctest --test-dir "$dir" --no-tests=error --output-on-failure -j"$jobs" "$@" 2>&1 | tee "$log"
  ran=$(grep -o 'tests failed out of [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  if [ "${ran:-0}" -eq 0 ]; then
    echo "no test ran in $dir" >&2
    return 1
  fi
  total=$((total + ran))
}

step "plain build: unit, end-to-end and soak tests"
configure build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE= -DVELMORA_BENCH=ON \
  -DVELMORA_E2E=ON -DVELMORA_SOAK=ON
cmake --build build-test -j"$jobs"
run_ctest build-test
done_step "$ran"

unit=(engine_tests midi_tests ui_tests app_tests)
program=(velmora audio_probe xclose midi_source)

step "ASan + UBSan: unit tests and a soak of the program"
configure build-test-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE="address;undefined" \
  -DVELMORA_BENCH=OFF -DVELMORA_E2E=OFF -DVELMORA_SOAK=ON
cmake --build build-test-asan -j"$jobs" --target "${unit[@]}" "${program[@]}"
run_ctest build-test-asan -L 'unit|soak'
done_step "$ran"

step "ThreadSanitizer: two voices on two threads, and the three threads of one"
configure build-test-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=thread \
  -DVELMORA_BENCH=OFF -DVELMORA_E2E=OFF -DVELMORA_SOAK=OFF
cmake --build build-test-tsan -j"$jobs" --target engine_tests midi_tests
TSAN_OPTIONS="halt_on_error=1" run_ctest build-test-tsan -R '^(TwoVoices|OrderingOfNoteState)\.'
done_step "$ran"

step "RealtimeSanitizer (clang-22): the engine and the plugin through notes and knob moves, then the program"
CXX=clang++-22 CC=clang-22 configure build-test-rtsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_SANITIZE=realtime -DVELMORA_BENCH=OFF -DVELMORA_E2E=ON -DVELMORA_SOAK=OFF
cmake --build build-test-rtsan -j"$jobs" --target engine_tests velmora_lv2 lv2_tests "${program[@]}"
RTSAN_OPTIONS="halt_on_error=1" run_ctest build-test-rtsan \
  -R '^(Reference\.|TwoVoices\.|Lv2Plugin\.|e2e_story$)'
done_step "$ran"

step "fuzzers (clang-14 libFuzzer): MIDI messages and MIDI files"
FUZZ_SECONDS=${FUZZ_SECONDS:-30} ./fuzz/run.sh 2>&1 | tee "$log"
# One summary line per fuzz target ("fuzz: NAME: ... no failure").
ran=$(grep -c '^fuzz: .*no failure' "$log" || true)
if [ "$ran" -eq 0 ]; then
  echo "no fuzz target ran" >&2
  exit 1
fi
total=$((total + ran))
done_step "$ran"

step "a pristine Debian 12 root: the start command up to the window, the LV2 bundle, the package"
sudo=()
[ "$(id -u)" = 0 ] || sudo=(sudo)
"${sudo[@]}" ./scripts/fresh-root.sh
total=$((total + 1))
done_step 1

printf '\n=== all %d tests passed in %d s\n' "$total" "$SECONDS"
