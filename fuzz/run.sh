#!/usr/bin/env bash
# Builds the fuzz targets (the MIDI handler, the MIDI file reader) with
# clang-14's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer in a
# build folder of their own (FUZZ_BUILD, build-fuzz by default), fuzzes each
# for its share of FUZZ_SECONDS (30 by default), then replays each target's
# committed seed corpus input by input. Ends with one line per target.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${FUZZ_BUILD:-build-fuzz}
targets=(midi_fuzz midifile_fuzz)

CXX=clang++-14 CC=clang-14 cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_FUZZ=ON -DVELMORA_SANITIZE="address;undefined" >/dev/null
cmake --build "$out" -j"$(nproc)" --target "${targets[@]}"

seconds=$(( ${FUZZ_SECONDS:-30} / ${#targets[@]} ))
(( seconds > 0 )) || seconds=1
summary=()
for t in "${targets[@]}"; do
  seeds=fuzz/corpus/${t%_fuzz}
  found=$out/corpus/$t
  log=$out/$t.log
  mkdir -p "$found"
  dict=()
  [ ! -f "fuzz/${t%_fuzz}.dict" ] || dict=(-dict="fuzz/${t%_fuzz}.dict")
  # New inputs go to the first directory; the committed seeds stay as they are.
  if ! "$out/$t" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/$t-" \
    "${dict[@]}" "$found" "$seeds" >"$log" 2>&1; then
    tail -n 30 "$log"
    echo "fuzz: $t FAILED while fuzzing; the input is in $out/$t-*, the log in $log"
    exit 1
  fi
  if ! "$out/$t" -artifact_prefix="$out/$t-" "$seeds"/* >"$log.replay" 2>&1; then
    tail -n 30 "$log.replay"
    echo "fuzz: $t FAILED on its committed seed corpus ($seeds); the log is in $log.replay"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  edges=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*' || echo 0)
  summary+=("fuzz: $t: ${runs:-0} inputs in ${seconds} s (${edges} edges covered), no failure;\
 its $(ls "$seeds" | wc -l) seed files replayed, no failure")
done
printf '%s\n' "${summary[@]}"
