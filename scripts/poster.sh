#!/usr/bin/env bash
# Renders a poster (a picture up to 65536 x 65536, larger than one process
# holds) in bands over GNU parallel, on this machine or on several over ssh,
# then joins the bands with libvips into one PNG or TIFF.
#
#   scripts/poster.sh OUTPUT BANDS JOBS [HOSTS] -- RENDERER-ARGUMENT...
#
# OUTPUT    the poster, .png or .tif; the bands go to OUTPUT.bands/.
# BANDS     how many bands (quorvatix-render --tile I/BANDS).
# JOBS      renderer processes at once on each machine.
# HOSTS     comma-separated ssh logins in GNU parallel's --sshlogin form (":"
#           is this machine). Every host must see OUTPUT's folder under the
#           same path (a shared file system) and have the renderer on its PATH.
# RENDERER-ARGUMENTs go to every band: the parameter file, if any, and the
# options, among them --size WIDTHxHEIGHT.
#
# Environment: QX_RENDER the renderer (default quorvatix-render); QX_THREADS
# the worker threads of every renderer (default this machine's processor
# count): a band's pixels depend on it, so every band gets the same;
# QX_KEEP_BANDS=1 keeps the bands after the join.
#
# Running the same command again after a failure or a kill renders only the
# bands that are missing or cut, then joins them.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

usage() {
  sed -n '6p' "${BASH_SOURCE[0]}" | sed 's/^# *//' >&2
  exit 2
}
[ $# -ge 4 ] || usage
output=$(realpath -m "$1")
bands=$2
jobs=$3
shift 3
[[ $bands =~ ^[1-9][0-9]*$ && $jobs =~ ^[1-9][0-9]*$ ]] || usage
hosts=""
if [ "$1" != "--" ]; then
  hosts=$1
  shift
fi
[ $# -gt 0 ] && [ "$1" = "--" ] || usage
shift
arguments=(--threads "${QX_THREADS:-$(nproc)}" "$@")
render=${QX_RENDER:-quorvatix-render}
read -r width height < <("$here/poster_bands.sh" size "$@")
folder=$output.bands
mkdir -p "$folder"

mapfile -t missing < <("$here/poster_bands.sh" missing "$folder" "$bands")
echo "quorvatix poster: ${width}x$height in $bands bands, ${#missing[@]} to render, $jobs at once per host" >&2
spread=(--jobs "$jobs" --quote)
[ -n "$hosts" ] && spread+=(--sshlogin "$hosts")
if [ ${#missing[@]} -gt 0 ] &&
   ! printf '%s\n' "${missing[@]}" |
     parallel "${spread[@]}" "$render" "${arguments[@]}" --tile "{}/$bands" -o "$folder/band-{}.png"; then
  echo "quorvatix poster: some bands failed; run the same command again to finish them" >&2
  exit 1
fi
"$here/poster_bands.sh" join "$folder" "$bands" "$width" "$height" "$output"
[ "${QX_KEEP_BANDS:-0}" = 1 ] || rm -rf "$folder"
echo "quorvatix poster: $output" >&2
