#!/usr/bin/env bash
# Draws Moxel's icon into an .ico file with 48, 32 and 16 pixel images:
# a MIDI socket, a dark face in a light rim with the key notch at the bottom
# and five pins on the upper half circle, the outer two being the lamps (the
# input's green, the output's red). Drawn on a 32-unit grid at three times
# that size and scaled down. Needs ImageMagick.
#
# usage: AppIcon.sh OUTPUT.ico
set -euo pipefail
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

s=3 # pixels per grid unit of the large drawing
at() { awk -v s="$s" -v a="$1" 'BEGIN { printf "%.2f", a * s }'; }
circle() { # centre x, centre y, radius (grid units)
  echo "circle $(at "$1"),$(at "$2") $(at "$(awk -v x="$1" -v r="$3" 'BEGIN { print x + r }')"),$(at "$2")"
}

convert -size $((32 * s))x$((32 * s)) xc:none \
  -fill '#202020' -stroke '#E0E0E0' -strokewidth "$(at 2.5)" -draw "$(circle 16 16 14.2)" \
  -stroke none -fill '#E0E0E0' -draw "rectangle $(at 13.5),$(at 24.5) $(at 18.5),$(at 30)" \
  -fill '#00D000' -draw "$(circle 7 17 3)" \
  -fill '#FFFFFF' -draw "$(circle 9.636 10.636 2.3)" -draw "$(circle 16 8 2.3)" \
  -draw "$(circle 22.364 10.636 2.3)" \
  -fill '#E80000' -draw "$(circle 25 17 3)" \
  "$work/large.png"
for size in 48 32 16; do
  convert "$work/large.png" -resize "${size}x${size}" "$work/icon-$size.png"
done
convert "$work/icon-48.png" "$work/icon-32.png" "$work/icon-16.png" "$out"
