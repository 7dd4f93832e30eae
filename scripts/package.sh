#!/usr/bin/env bash
# Builds the Debian package (Release) with CPack into the build folder
# (BUILD_DIR, default build) and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
scripts/deps.sh >&2
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
# Only what the package holds; the tests and benchmarks are not needed.
cmake --build "$build" -j"$(nproc)" --target quorvatix quorvatix-render vdub manual_pages >&2
(cd "$build" && cpack -G DEB >&2)
ls -t "$build"/quorvatix_*.deb | head -n 1
