#!/usr/bin/env bash
# Installs what the build needs on a Debian machine (as root), then configures and builds.
set -euo pipefail
cd "$(dirname "$0")/.."
need=()
for p in cmake g++ pkg-config libfreetype-dev libpng-dev fonts-dejavu-core fonts-wine libgtest-dev libbenchmark-dev \
         libx11-dev libxext-dev libxrandr-dev libxfixes-dev; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
