#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# unit and end-to-end tests (real window under Xvfb, real audio and MIDI path
# through a private JACK server), ASan+UBSan unit tests and a two-minute soak
# of the program, ThreadSanitizer concurrency tests, RealtimeSanitizer on the
# callback and on the whole program, and the MIDI fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

./scripts/install-deps.sh --test

step() { printf '\n=== %s\n' "$*"; }

step "build and test (unit and end-to-end, then a two-minute soak)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SOAK=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 400 -E soak
ctest --test-dir build --timeout 400 -R soak -V

step "ASan + UBSan: unit tests and a two-minute soak of the program"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE="address;undefined" \
  -DVELMORA_E2E=OFF -DVELMORA_SOAK=ON -DVELMORA_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 300 -E '^realtime_|soak'
ctest --test-dir build-asan --timeout 400 -R soak -V

step "ThreadSanitizer: the three threads"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=thread \
  -DVELMORA_E2E=OFF -DVELMORA_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target concurrency_tests midi_tests
TSAN_OPTIONS="halt_on_error=1" ctest --test-dir build-tsan --output-on-failure -j"$jobs" \
  --timeout 300 -R 'Concurrency|Ordering'

step "RealtimeSanitizer (clang-22): the callback, then the program playing"
CXX=clang++-22 CC=clang-22 cmake -S . -B build-rtsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_SANITIZE=realtime -DVELMORA_BENCH=OFF >/dev/null
cmake --build build-rtsan -j"$jobs" --target realtime_tests velmora audio_probe xclose midi_source
RTSAN_OPTIONS="halt_on_error=1" ./build-rtsan/tests/realtime_tests
RTSAN_OPTIONS="halt_on_error=1" ./tests/e2e/midi_test.sh build-rtsan

if [ -x fuzz/run.sh ]; then
  step "MIDI fuzzer (clang-14 libFuzzer)"
  FUZZ_SECONDS=${FUZZ_SECONDS:-30} ./fuzz/run.sh
fi

step "all tests passed"
