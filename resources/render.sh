#!/usr/bin/env bash
# Renders the pictures from their SVG sources; run after changing an SVG and
# commit the PNGs with it (the build takes the PNGs as they are).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
res=$top/resources icons=$top/data/icons
rsvg-convert -w 258 -h 100 -b white "$res/logo-wide.svg" -o "$res/logo-wide.png"
rsvg-convert -w 177 -h 217 -b white "$res/logo-tall.svg" -o "$res/logo-tall.png"
# Twice the pixels for screens scaled up (1.5x, 2x): the logos stay sharp.
rsvg-convert -w 516 -h 200 -b white "$res/logo-wide.svg" -o "$res/logo-wide@2x.png"
rsvg-convert -w 354 -h 434 -b white "$res/logo-tall.svg" -o "$res/logo-tall@2x.png"
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$icons/brenvik-timer.svg" -o "$icons/brenvik-timer-$size.png"
done
