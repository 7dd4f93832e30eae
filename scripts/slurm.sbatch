#!/usr/bin/env bash
#SBATCH --job-name=quorvatix-movie
#SBATCH --output=quorvatix-movie-%A_%a.out
# Renders the zoom movie of a parameter file on a Slurm cluster: a job array
# whose task k renders range k of the frames, then a job that waits for the
# whole array and makes the video. Submit it with bash, not sbatch, from a
# folder that the compute nodes share:
#
#   scripts/slurm.sbatch PARAMETER-FILE FOLDER RANGES [RENDERER-OPTION...]
#
# It counts the frames, submits itself as the array 0..RANGES-1 (fewer for a
# shorter movie) and the video step with --dependency=afterok. Environment:
# QX_THREADS the cores of each task and the renderer's worker threads (default
# 4; a frame's pixels depend on it, so every task of a movie gets the same);
# QX_RENDER the renderer (default quorvatix-render, on the nodes' PATH);
# QX_VIDEO the video (default FOLDER.avi); further sbatch options (partition,
# time limit) in QX_SBATCH_OPTIONS.
#
# Submitting again after failed or cancelled tasks computes only the frames
# that are missing or cut.
set -euo pipefail
if [ $# -lt 3 ] || ! [[ $3 =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: bash scripts/slurm.sbatch PARAMETER-FILE FOLDER RANGES [RENDERER-OPTION...]" >&2
  exit 2
fi
file=$(realpath "$1")
folder=$(realpath -m "$2")
parts=$3
shift 3
options=("$@")
render=${QX_RENDER:-quorvatix-render}

case "${QX_MOVIE_STEP:-submit}" in
submit)
  # Slurm runs a copy of this script: the tasks find the range helper through
  # QX_SCRIPTS and take the frame count counted here.
  scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  count=$("$render" "$file" "${options[@]}" --frames)
  ranges=$("$scripts/movie_ranges.sh" "$count" "$parts" | grep -c .)
  read -r -a extra <<< "${QX_SBATCH_OPTIONS:-}"
  threads=${QX_THREADS:-4}
  array=$(sbatch --parsable "${extra[@]}" --array="0-$(( ranges - 1 ))" --cpus-per-task="$threads" \
    --export="ALL,QX_MOVIE_STEP=range,QX_SCRIPTS=$scripts,QX_FRAME_COUNT=$count,QX_THREADS=$threads" \
    "${BASH_SOURCE[0]}" "$file" "$folder" "$parts" "${options[@]}")
  array=${array%%;*}
  sbatch --parsable "${extra[@]}" --dependency="afterok:$array" --job-name=quorvatix-video \
    --output=quorvatix-video-%j.out --export="ALL,QX_MOVIE_STEP=encode" \
    "${BASH_SOURCE[0]}" "$file" "$folder" "$parts" "${options[@]}" > /dev/null
  echo "quorvatix movie: $count frames in $ranges ranges, job array $array" >&2
  ;;
range)
  range=$("$QX_SCRIPTS/movie_ranges.sh" "$QX_FRAME_COUNT" "$parts" | sed -n "$(( SLURM_ARRAY_TASK_ID + 1 ))p")
  [ -n "$range" ] || exit 0
  "$render" "$file" --threads "$QX_THREADS" "${options[@]}" --movie "$folder" --frames "$range"
  ;;
encode)
  "$render" --encode "$folder" -o "${QX_VIDEO:-${folder%/}.avi}"
  ;;
*)
  echo "QX_MOVIE_STEP must be submit, range or encode" >&2
  exit 2
  ;;
esac
