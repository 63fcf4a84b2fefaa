#!/usr/bin/env bash
# Renders the PNG sizes of the icon from velmora.svg. The PNGs are kept in
# the repository so that building and installing need no SVG renderer; run
# this after every change to the SVG (needs rsvg-convert, librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p png
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" velmora.svg -o "png/velmora-$size.png"
done
