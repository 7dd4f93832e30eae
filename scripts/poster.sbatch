#!/usr/bin/env bash
#SBATCH --job-name=quorvatix-poster
#SBATCH --output=quorvatix-poster-%A_%a.out
# Renders a poster on a Slurm cluster: a job array whose task I renders band
# I (quorvatix-render --tile I/BANDS), then a job that waits for the whole
# array and joins the bands with libvips. Submit it with bash, not sbatch,
# from a folder that the compute nodes share:
#
#   scripts/poster.sbatch OUTPUT BANDS RENDERER-ARGUMENT...
#
# OUTPUT is the poster (.png or .tif), its bands go to OUTPUT.bands/; the
# RENDERER-ARGUMENTs (the parameter file, if any, and the options with
# --size WIDTHxHEIGHT) go to every band. Environment: QX_THREADS the cores of
# each task and the renderer's worker threads (default 4; a band's pixels
# depend on it, so every task of a poster gets the same); QX_RENDER the
# renderer (default quorvatix-render, on the nodes' PATH); further sbatch
# options (partition, time limit) in QX_SBATCH_OPTIONS.
#
# Submitting again after failed or cancelled tasks renders only the bands
# that are missing or cut.
set -euo pipefail
if [ $# -lt 3 ] || ! [[ $2 =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: bash scripts/poster.sbatch OUTPUT BANDS RENDERER-ARGUMENT..." >&2
  exit 2
fi
output=$(realpath -m "$1")
bands=$2
shift 2
arguments=("$@")
render=${QX_RENDER:-quorvatix-render}
folder=$output.bands

case "${QX_POSTER_STEP:-submit}" in
submit)
  # Slurm runs a copy of this script: the tasks find the band helper through QX_SCRIPTS.
  scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  "$scripts/poster_bands.sh" size "${arguments[@]}" > /dev/null
  mkdir -p "$folder"
  read -r -a extra <<< "${QX_SBATCH_OPTIONS:-}"
  threads=${QX_THREADS:-4}
  array=$(sbatch --parsable "${extra[@]}" --array="1-$bands" --cpus-per-task="$threads" \
    --export="ALL,QX_POSTER_STEP=band,QX_SCRIPTS=$scripts,QX_THREADS=$threads" \
    "${BASH_SOURCE[0]}" "$output" "$bands" "${arguments[@]}")
  array=${array%%;*}
  sbatch --parsable "${extra[@]}" --dependency="afterok:$array" --job-name=quorvatix-join \
    --output=quorvatix-join-%j.out --export="ALL,QX_POSTER_STEP=join,QX_SCRIPTS=$scripts" \
    "${BASH_SOURCE[0]}" "$output" "$bands" "${arguments[@]}" > /dev/null
  echo "quorvatix poster: $bands bands, job array $array" >&2
  ;;
band)
  band=$SLURM_ARRAY_TASK_ID
  # A band from an earlier submission that decodes whole is kept.
  [ -n "$("$QX_SCRIPTS/poster_bands.sh" missing "$folder" "$bands" "$band")" ] || exit 0
  "$render" --threads "$QX_THREADS" "${arguments[@]}" --tile "$band/$bands" -o "$folder/band-$band.png"
  ;;
join)
  read -r width height < <("$QX_SCRIPTS/poster_bands.sh" size "${arguments[@]}")
  "$QX_SCRIPTS/poster_bands.sh" join "$folder" "$bands" "$width" "$height" "$output"
  ;;
*)
  echo "QX_POSTER_STEP must be submit, band or join" >&2
  exit 2
  ;;
esac
