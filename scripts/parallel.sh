#!/usr/bin/env bash
# Renders the zoom movie of a parameter file in ranges of frames over GNU
# parallel, on this machine or on several over ssh, then makes its video.
#
#   scripts/parallel.sh PARAMETER-FILE FOLDER JOBS [HOSTS] [-- RENDERER-OPTION...]
#
# JOBS      renderer processes at once on each machine.
# HOSTS     comma-separated ssh logins in GNU parallel's --sshlogin form (":"
#           is this machine). Every host must see the parameter file and
#           FOLDER under the same paths (a shared file system) and have the
#           renderer (QX_RENDER) on its PATH.
# RENDERER-OPTIONs go to every range, e.g. -- --size 1920x1080 --unzoom 1.05.
#
# Environment: QX_RENDER the renderer (default quorvatix-render); QX_THREADS
# the worker threads of every renderer (default this machine's processor
# count): a frame's pixels depend on it, so every range gets the same;
# QX_RANGES how many ranges (default 4 per job and host, so that fast machines
# take more of them); QX_VIDEO the video (default FOLDER.avi); QX_ENCODE=0
# stops after the frames.
#
# Running the same command again after a failure or a kill computes only the
# frames that are missing or cut, then makes the video.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

usage() {
  sed -n '5p' "${BASH_SOURCE[0]}" | sed 's/^# *//' >&2
  exit 2
}
[ $# -ge 3 ] || usage
file=$(realpath "$1")
folder=$(realpath -m "$2")
jobs=$3
shift 3
[[ $jobs =~ ^[1-9][0-9]*$ ]] || usage
hosts=""
if [ $# -gt 0 ] && [ "$1" != "--" ]; then
  hosts=$1
  shift
fi
if [ $# -gt 0 ]; then
  [ "$1" = "--" ] || usage
  shift
fi
options=(--threads "${QX_THREADS:-$(nproc)}" "$@")
render=${QX_RENDER:-quorvatix-render}
video=${QX_VIDEO:-${folder%/}.avi}

count=$("$render" "$file" "${options[@]}" --frames)
host_count=1
[ -n "$hosts" ] && host_count=$(tr ',' '\n' <<< "$hosts" | grep -c .)
mapfile -t ranges < <("$here/movie_ranges.sh" "$count" "${QX_RANGES:-$(( 4 * jobs * host_count ))}")
echo "quorvatix movie: $count frames in ${#ranges[@]} ranges, $jobs at once per host" >&2

spread=(--jobs "$jobs" --quote)
[ -n "$hosts" ] && spread+=(--sshlogin "$hosts")
if ! printf '%s\n' "${ranges[@]}" |
     parallel "${spread[@]}" "$render" "$file" "${options[@]}" --movie "$folder" --frames {}; then
  echo "quorvatix movie: some ranges failed; run the same command again to finish them" >&2
  exit 1
fi
[ "${QX_ENCODE:-1}" = 0 ] && exit 0
"$render" --encode "$folder" -o "$video"
echo "quorvatix movie: $video" >&2
