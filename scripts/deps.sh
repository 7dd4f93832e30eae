#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need;
# packages already present are skipped.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libgmp-dev libpng-dev
  qt6-base-dev qt6-image-formats-plugins libqt6svg6
  qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  libgtest-dev libbenchmark-dev
  python3
  xvfb xauth xdotool python3-xlib
  ffmpeg
  parallel
  libvips-tools
  libopenexr-dev openexr
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
