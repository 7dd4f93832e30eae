#!/usr/bin/env bash
# The bands of a poster (quorvatix-render --tile I/N): which are still to be
# rendered, and joining them into one picture with libvips. Shared by
# poster.sh and poster.sbatch.
#
#   poster_bands.sh size RENDERER-ARGUMENT...       prints "WIDTH HEIGHT" of the last --size
#   poster_bands.sh missing FOLDER BANDS [BAND]     prints the bands (or BAND) not yet complete in FOLDER
#   poster_bands.sh join FOLDER BANDS WIDTH HEIGHT OUTPUT
#
# Band I is FOLDER/band-I.png; a band counts as complete only when it decodes
# whole, so a band cut off by a kill or a full disk is rendered again.
set -euo pipefail

band_file() { echo "$1/band-$2.png"; }

case "${1:-}" in
size)
  shift
  size=""
  while [ $# -gt 0 ]; do
    if [ "$1" = --size ] && [ $# -ge 2 ]; then size=$2; shift; fi
    shift
  done
  [[ $size =~ ^([0-9]+)x([0-9]+)$ ]] || { echo "poster: give the renderer --size WIDTHxHEIGHT" >&2; exit 2; }
  echo "${BASH_REMATCH[1]} ${BASH_REMATCH[2]}"
  ;;
missing)
  folder=$2 bands=$3 first=${4:-1} last=${4:-$3}
  for (( band = first; band <= last; ++band )); do
    file=$(band_file "$folder" "$band")
    [ -s "$file" ] && vips avg "$file[fail_on=truncated]" > /dev/null 2>&1 || echo "$band"
  done
  ;;
join)
  folder=$2 bands=$3 width=$4 height=$5 output=$6
  files=()
  for (( band = 1; band <= bands; ++band )); do files+=("$(band_file "$folder" "$band")"); done
  # Every band but the last has ceil(HEIGHT / BANDS) rows: the grid's last
  # cell is cut to the picture's height.
  extension=${output##*.}
  partial=$(dirname "$output")/.$(basename "$output").$$.$extension
  trap 'rm -f "$partial" "$folder/joined.v"' EXIT
  if (( height % bands == 0 )); then
    vips arrayjoin "${files[*]}" "$partial" --across 1
  else
    vips arrayjoin "${files[*]}" "$folder/joined.v" --across 1
    vips crop "$folder/joined.v" "$partial" 0 0 "$width" "$height"
  fi
  mv -f "$partial" "$output"
  ;;
*)
  sed -n '6,8p' "${BASH_SOURCE[0]}" | sed 's/^# *//' >&2
  exit 2
  ;;
esac
