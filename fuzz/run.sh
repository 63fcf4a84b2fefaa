#!/usr/bin/env bash
# Builds the fuzz targets (the MIDI handler, the MIDI file reader) with
# clang-14's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer in a
# build folder of their own (FUZZ_BUILD, build-fuzz by default), fuzzes each
# for its share of FUZZ_SECONDS (30 by default), starting from each target's
# committed seed corpus, which libFuzzer runs whole before it mutates
# anything. Ends with one line per target.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${FUZZ_BUILD:-build-fuzz} targets=(midi_fuzz midifile_fuzz) all=${FUZZ_SECONDS:-30}
CXX=clang++-14 CC=clang-14 cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_FUZZ=ON -DVELMORA_SANITIZE="address;undefined" >/dev/null
cmake --build "$out" -j"$(nproc)" --target "${targets[@]}"
seconds=$((all >= ${#targets[@]} ? all / ${#targets[@]} : 1))

for t in "${targets[@]}"; do
  seeds=fuzz/corpus/${t%_fuzz} dict=()
  [ ! -f "fuzz/${t%_fuzz}.dict" ] || dict=(-dict="fuzz/${t%_fuzz}.dict")
  mkdir -p "$out/corpus/$t" # new inputs go there; the committed seeds stay as they are
  if ! "$out/$t" -artifact_prefix="$out/$t-" -max_total_time="$seconds" -print_final_stats=1 \
    "${dict[@]}" "$out/corpus/$t" "$seeds" >"$out/$t.log" 2>&1; then
    tail -n 30 "$out/$t.log"
    echo "fuzz: $t FAILED; the input is in $out/$t-*, the log in $out/$t.log"
    exit 1
  fi
  echo "fuzz: $t: $(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$t.log") inputs in" \
    "$seconds s from the $(ls "$seeds" | wc -l) seed files, no failure"
done
