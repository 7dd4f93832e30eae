#!/usr/bin/env bash
# The poster scripts against a one-piece render, compared after decoding:
# poster.sh with two local jobs into PNG and TIFF, resumed after a cut band,
# and poster.sbatch with a stand-in sbatch that runs the array tasks and then
# the join at once.
#   poster_scripts_test.sh RENDERER SCRIPTS-FOLDER
set -euo pipefail
renderer=$1 scripts=$2
for tool in parallel vips; do
  command -v "$tool" > /dev/null || { echo "$tool is not installed (scripts/deps.sh)"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export QX_RENDER=$renderer QX_THREADS=2

mkdir fakebin
cat > fakebin/sbatch <<'FAKE'
#!/usr/bin/env bash
array=""
while [[ $1 == --* ]]; do
  case $1 in
  --array=*) array=${1#--array=} ;;
  --export=*) IFS=, read -r -a pairs <<< "${1#--export=}"
              for pair in "${pairs[@]}"; do [ "$pair" = ALL ] || export "${pair?}"; done ;;
  esac
  shift
done
echo "$$"
if [ -n "$array" ]; then
  for (( k = ${array%-*}; k <= ${array#*-}; ++k )); do
    SLURM_ARRAY_TASK_ID=$k bash "$@" >&2
  done
else
  bash "$@" >&2
fi
FAKE
chmod +x fakebin/sbatch

fail() { echo "FAIL: $*"; exit 1; }
pixels() { vips rawsave "$1" "$1.raw" && echo "$1.raw"; }
# Seven bands of 29 rows, the last 27: the join cuts the grid's last cell.
view=(--size 173x201 --iter 400 --view -0.7455 -0.7453 0.1128 0.11295)
"$QX_RENDER" --threads 2 "${view[@]}" -o whole.png

"$scripts/poster.sh" poster.png 7 2 -- "${view[@]}"
cmp "$(pixels whole.png)" "$(pixels poster.png)" || fail "poster.sh's PNG differs from the one-piece picture"
[ ! -e poster.png.bands ] || fail "poster.sh left its bands"

QX_KEEP_BANDS=1 "$scripts/poster.sh" poster.tif 7 2 : -- "${view[@]}"
cmp whole.png.raw "$(pixels poster.tif)" || fail "poster.sh's TIFF differs from the one-piece picture"

# A cut band and a lost poster: running again renders that band only.
head -c 200 poster.tif.bands/band-3.png > cut.png && mv cut.png poster.tif.bands/band-3.png
touch -d '2000-01-01' poster.tif.bands/band-5.png
rm poster.tif
QX_KEEP_BANDS=1 "$scripts/poster.sh" poster.tif 7 2 -- "${view[@]}"
cmp whole.png.raw "$(pixels poster.tif)" || fail "the resumed poster differs from the one-piece picture"
[ "$(stat -c %Y poster.tif.bands/band-5.png)" = "$(date -d '2000-01-01' +%s)" ] || fail "a complete band was rendered again"

PATH=$work/fakebin:$PATH bash "$scripts/poster.sbatch" cluster.png 7 "${view[@]}"
cmp whole.png.raw "$(pixels cluster.png)" || fail "poster.sbatch's poster differs from the one-piece picture"

"$scripts/poster.sh" bad.png 7 2 -- --iter 400 2> /dev/null && fail "a poster without --size was accepted"
echo "poster scripts: OK"
