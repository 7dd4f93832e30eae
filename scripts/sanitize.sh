#!/usr/bin/env bash
# Builds with AddressSanitizer + UndefinedBehaviorSanitizer into build-asan/
# (or BUILD_DIR) and runs every test there; a sanitizer report fails its test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${BUILD_DIR:-build-asan}
BUILD_DIR=$build scripts/build.sh -DQX_SANITIZE=address -DQX_BENCH=OFF
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
