#!/usr/bin/env bash
# Builds Vistrel for 64-bit Windows on a Debian machine with the MinGW-w64 cross compiler:
#   build-windows/Vistrel/         Vistrel.exe with Skins/, Sounds/ and Help/ beside it
#   build-windows/Vistrel-German/  Localize.dll and Deutsch/, to copy into that folder for German texts
#   build-windows/vistrel-control.exe  the console tool the Windows test drives the program with
# Installs the compilers (as root, or through sudo) when they are missing. VISTREL_WINDOWS_BUILD
# names another build folder, VISTREL_BUILD_TYPE another build type (default Release). One command:
#   bash scripts/build-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
for p in cmake make g++ g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

build="${VISTREL_WINDOWS_BUILD:-build-windows}"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE="${VISTREL_BUILD_TYPE:-Release}" >/dev/null
cmake --build "$build" -j2

missing=0
for f in "$build/Vistrel/Vistrel.exe" "$build/Vistrel-German/Localize.dll" "$build/Vistrel/Skins" \
         "$build/Vistrel/Sounds" "$build/Vistrel/Help" "$build/Vistrel-German/Deutsch"; do
  if [ ! -e "$f" ]; then echo "build-windows.sh: $f was not built" >&2; missing=1; fi
done
[ "$missing" -eq 0 ] || exit 1
echo "Windows build ready: $build/Vistrel (German texts: $build/Vistrel-German)"
