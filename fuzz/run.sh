#!/usr/bin/env bash
# Builds the fuzz targets (the MIDI handler, the MIDI file reader) with
# clang-14's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer in a
# build folder of their own (FUZZ_BUILD, build-fuzz by default), fuzzes each
# for its share of FUZZ_SECONDS (30 by default), then replays each target's
# committed seed corpus input by input. Ends with one line per target.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${FUZZ_BUILD:-build-fuzz} targets=(midi_fuzz midifile_fuzz) all=${FUZZ_SECONDS:-30}
CXX=clang++-14 CC=clang-14 cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_FUZZ=ON -DVELMORA_SANITIZE="address;undefined" >/dev/null
cmake --build "$out" -j"$(nproc)" --target "${targets[@]}"
seconds=$((all >= ${#targets[@]} ? all / ${#targets[@]} : 1))

# Runs target $t with the arguments after WHAT and LOG; on a failure shows the
# log's end and says where the failing input is kept.
fuzz() {
  "$out/$t" -artifact_prefix="$out/$t-" "${@:3}" >"$2" 2>&1 && return
  tail -n 30 "$2"
  echo "fuzz: $t FAILED $1; the input is in $out/$t-*, the log in $2"
  exit 1
}
for t in "${targets[@]}"; do
  seeds=fuzz/corpus/${t%_fuzz} dict=()
  [ ! -f "fuzz/${t%_fuzz}.dict" ] || dict=(-dict="fuzz/${t%_fuzz}.dict")
  mkdir -p "$out/corpus/$t" # new inputs go there; the committed seeds stay as they are
  fuzz "while fuzzing" "$out/$t.log" -max_total_time="$seconds" -print_final_stats=1 "${dict[@]}" \
    "$out/corpus/$t" "$seeds"
  fuzz "on its committed seed corpus ($seeds)" "$out/$t.replay.log" "$seeds"/*
  echo "fuzz: $t: $(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$t.log") inputs in" \
    "$seconds s ($(sed -n 's/.*cov: \([0-9]*\).*/\1/p' "$out/$t.log" | tail -n 1) edges covered)," \
    "no failure; its $(ls "$seeds" | wc -l) seed files replayed, no failure"
done
