#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts Quorvatix. Without
# a desktop program or a display, renders the default picture instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh -DQX_BENCH=OFF
if [ -x build/quorvatix ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/quorvatix "$@"
fi
out="$PWD/quorvatix-default.png"
build/quorvatix-render -o "$out"
echo "$out"
