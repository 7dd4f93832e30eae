#!/usr/bin/env bash
# The movie scripts against one sequential render: parallel.sh with two local
# jobs (and resumed after a cut frame), and slurm.sbatch with a stand-in
# sbatch that runs the array tasks and then the video job at once.
#   movie_scripts_test.sh RENDERER JOB-RUNNER JOB-TEMPLATE SCRIPTS-FOLDER
set -euo pipefail
renderer=$1 runner=$2 template=$3 scripts=$4
for tool in parallel ffmpeg; do
  command -v "$tool" > /dev/null || { echo "$tool is not installed (scripts/deps.sh)"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The renderer with its job template and runner beside it, as installed.
mkdir -p program/vdub fakebin
cp "$renderer" program/quorvatix-render
cp "$runner" program/vdub/vdub
cp "$template" program/Template.jobs
export QX_RENDER=$work/program/quorvatix-render
# The pixels depend on the worker threads: the same for every render here.
export QX_THREADS=2

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
"$QX_RENDER" --julia -0.745 0.113 --iter 80 --view 0.1 0.100000000000000000000000000032 \
  0.2 0.200000000000000000000000000024 --save deep.fdz
movie=(--size 64x48 --unzoom 100)
"$QX_RENDER" deep.fdz --threads 2 "${movie[@]}" --movie sequential
[ "$(ls sequential | wc -l)" -eq 16 ] || fail "the sequential movie has $(ls sequential | wc -l) frames, not 16"

"$scripts/parallel.sh" deep.fdz spread 2 -- "${movie[@]}"
diff -r sequential spread || fail "parallel.sh frames differ from the sequential movie"
[ -s spread.avi ] || fail "parallel.sh made no video"

# A cut frame and a lost video: running again finishes both.
head -c 300 sequential/9999990.jpg > spread/9999990.jpg
rm spread.avi
"$scripts/parallel.sh" deep.fdz spread 2 -- "${movie[@]}"
diff -r sequential spread || fail "the resumed frames differ from the sequential movie"
[ -s spread.avi ] || fail "the resumed run made no video"

PATH=$work/fakebin:$PATH bash "$scripts/slurm.sbatch" deep.fdz cluster 3 "${movie[@]}"
diff -r sequential cluster || fail "slurm.sbatch frames differ from the sequential movie"
[ -s cluster.avi ] || fail "slurm.sbatch made no video"
echo "movie scripts: OK"
