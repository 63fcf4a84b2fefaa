#!/usr/bin/env bash
# Installs the Debian packages the synth, its tests and its tools need.
# Idempotent: packages already present are left alone, and nothing is
# fetched when everything is installed.
set -euo pipefail

# What every build needs (the program, the plugin, the renderer, the package:
# cpack works out its dependencies with `file`).
runtime=(build-essential cmake pkg-config portaudio19-dev librtmidi-dev libasound2-dev
  libjack-jackd2-dev libfltk1.3-dev libx11-dev libxft-dev fonts-liberation libsndfile1-dev lv2-dev file)
testing=(libgtest-dev libgmock-dev libbenchmark-dev clang-14 libclang-rt-14-dev
  clang-format xvfb xdotool x11-utils imagemagick jackd2 libasound2-plugins
  alsa-utils aubio-tools clang-22 libclang-rt-22-dev librsvg2-bin desktop-file-utils
  man-db liblilv-dev lilv-utils jalv libqt5x11extras5 sordi mmdebstrap)

want=("${runtime[@]}")
[ "${1:-}" = "--test" ] && want+=("${testing[@]}")

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
