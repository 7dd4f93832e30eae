#!/usr/bin/env bash
# Prints the ranges FIRST-LAST, one a line, that split a movie of COUNT frames
# into PARTS ranges of consecutive frames whose sizes differ by one at most
# (one range a frame when there are fewer frames than PARTS).
#   scripts/movie_ranges.sh COUNT PARTS
set -euo pipefail
if [ $# -ne 2 ] || ! [[ $1 =~ ^[0-9]+$ && $2 =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 COUNT PARTS (whole numbers, PARTS at least 1)" >&2
  exit 2
fi
count=$1
parts=$2
(( parts > count )) && parts=$count
for (( k = 0; k < parts; ++k )); do
  echo "$(( k * count / parts ))-$(( (k + 1) * count / parts - 1 ))"
done
