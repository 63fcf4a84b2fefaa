#!/usr/bin/env bash
# Installs what is missing, builds the synth and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target velmora
exec ./build/velmora
