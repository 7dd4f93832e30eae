#!/usr/bin/env bash
# Fuzzes each file loader for SECONDS (default 60) with libFuzzer, starting
# from the files under tests/data/. Crashes, leaks and sanitizer reports stop
# the run and leave the input in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/deps.sh
need=()
for p in clang-14 libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)"
mkdir -p build-fuzz/findings
status=0
for target in parameter_file image_file palette_file; do
  corpus=build-fuzz/corpus-$target
  mkdir -p "$corpus"
  cp -n tests/data/* "$corpus"/ 2>/dev/null || true
  echo "== $target for ${seconds}s"
  QT_QPA_PLATFORM=offscreen build-fuzz/fuzz/fuzz_$target "$corpus" -max_total_time="$seconds" \
    -max_len=2000000 -rss_limit_mb=4096 -artifact_prefix=build-fuzz/findings/$target- \
    -print_final_stats=1 2>build-fuzz/$target.log || status=1
  grep -E '^(stat::number_of_executed_runs|Done|==[0-9]+==ERROR|SUMMARY)' build-fuzz/$target.log || true
done
exit $status
