#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# unit tests, end-to-end tests under Xvfb, the sanitizer builds (ASan+UBSan,
# ThreadSanitizer, RealtimeSanitizer) and the MIDI fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

./scripts/install-deps.sh --test

step() { printf '\n=== %s\n' "$*"; }

step "build and test (RelWithDebInfo, unit and end-to-end)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 300

step "ASan + UBSan unit tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE="address;undefined" \
  -DVELMORA_E2E=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 300 -E '^realtime_'

step "ThreadSanitizer concurrency tests"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=thread \
  -DVELMORA_E2E=OFF >/dev/null
cmake --build build-tsan -j"$jobs"
TSAN_OPTIONS="halt_on_error=1" ctest --test-dir build-tsan --output-on-failure -j"$jobs" \
  --timeout 300 -R 'Concurrency|Ordering'

step "RealtimeSanitizer (clang-22)"
CXX=clang++-22 CC=clang-22 cmake -S . -B build-rtsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_ENGINE_ONLY=ON -DVELMORA_SANITIZE=realtime -DVELMORA_E2E=OFF >/dev/null
cmake --build build-rtsan -j"$jobs" --target realtime_tests
RTSAN_OPTIONS="halt_on_error=1" ./build-rtsan/tests/realtime_tests

if [ -x fuzz/run.sh ]; then
  step "MIDI fuzzer (clang-14 libFuzzer)"
  ./fuzz/run.sh
fi

step "all tests passed"
