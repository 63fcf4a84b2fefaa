#!/usr/bin/env bash
# Installs what is missing, builds the synth and starts it. The build folder
# build/ holds the program alone; the test command builds elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
# Quiet when all is well; configure's own words when it is not (it names the
# Debian package that is missing).
out=$(cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_TESTS=OFF \
  -DVELMORA_BENCH=OFF -DVELMORA_SANITIZE= -DVELMORA_FUZZ=OFF 2>&1) || {
  echo "$out" >&2
  exit 1
}
cmake --build build -j"$(nproc)" --target velmora
exec ./build/velmora
