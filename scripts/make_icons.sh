#!/usr/bin/env bash
# Makes the program's icons again: one 1024 x 1024 picture from the batch
# renderer, reduced to each size the desktop asks for (ImageMagick).
# Usage: scripts/make_icons.sh [RENDERER]   (default build/quorvatix-render)
set -euo pipefail
cd "$(dirname "$0")/.."
renderer=${1:-build/quorvatix-render}
master=$(mktemp --suffix=.png)
trap 'rm -f "$master"' EXIT
"$renderer" --size 1024x1024 --view -2.25 0.75 -1.5 1.5 -o "$master"
for size in 16 22 24 32 48 64 128 256; do
  convert "$master" -filter Lanczos -resize "${size}x${size}" -strip "data/icons/quorvatix-$size.png"
done
