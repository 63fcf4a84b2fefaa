#!/usr/bin/env bash
# Builds the MIDI fuzz target with clang-14's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, fuzzes for a bounded time (FUZZ_SECONDS, 60 by
# default), then replays the committed seed corpus input by input.
set -euo pipefail
cd "$(dirname "$0")/.."

out=build-fuzz
mkdir -p "$out/corpus"
flags=(-std=c++20 -O1 -g -Wall -Wextra -Werror -ffp-contract=off -fno-omit-frame-pointer
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -Isrc
  $(pkg-config --cflags portaudio-2.0))
# The handler, the packing and the state, without the platform layer and the
# toolkit: the target stands in for both.
clang++-14 "${flags[@]}" fuzz/midi_fuzz.cpp src/midi/midi.cpp src/midi/message.cpp \
  src/core/state.cpp -o "$out/midi_fuzz"

# New inputs go to the first directory; the committed seeds stay as they are.
"$out/midi_fuzz" -max_total_time="${FUZZ_SECONDS:-60}" -print_final_stats=1 \
  -artifact_prefix="$out/" "$out/corpus" fuzz/corpus
"$out/midi_fuzz" -artifact_prefix="$out/" fuzz/corpus/*
