#!/usr/bin/env bash
# Measures vistrel beside the magnifiers Debian packages (xzoom, kmag) on one virtual X display
# (Xvfb 1024 x 768, 24-bit): for each program and glass size, the CPU that the program and the X server
# use over SECONDS of steady running (percent of one core, from /proc/PID/stat) and the program's peak
# resident memory (VmHWM). Zoom 4 where the program lets it be set from outside; vistrel refreshes every
# 120 ms, with smoothing off, on, and on with brightness/contrast correction, and once with the glass
# hidden (idle). Not a test: prints a table (Markdown) for README.
#
#   bash scripts/bench-x11.sh [SECONDS]     (default 20)
# PROGRAMS="vistrel xzoom kmag" (the default) chooses the programs, SIZES="160 499" the glass sizes.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
SECONDS_PER_RUN=${1:-20}
VISTREL=$PWD/build/vistrel
need=()
for p in xvfb xzoom kmag x11-utils xdotool; do dpkg -s "$p" >/dev/null 2>&1 || need+=("$p"); done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
fi
[ -x "$VISTREL" ] || cmake --build build --target vistrel -j2 >/dev/null || exit 1

WORK=$(mktemp -d)
PIDS=()
cleanup() { for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$WORK"; }
trap cleanup EXIT
N=81
while [ -e /tmp/.X11-unix/X$N ] || [ -e /tmp/.X$N-lock ]; do N=$((N + 1)); done
export DISPLAY=:$N
Xvfb ":$N" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
PIDS+=($XVFB)
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export XDG_CONFIG_HOME=$WORK/config HOME=$WORK/home
mkdir -p "$XDG_CONFIG_HOME/vistrel" "$HOME"
unset XDG_RUNTIME_DIR

ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
HZ=$(getconf CLK_TCK)
# Runs the command for SECONDS_PER_RUN after a settling second; prints "client% server% peakKB".
measure() {
  "$@" >/dev/null 2>&1 &
  local pid=$!
  sleep 3
  local c0 s0 c1 s1
  c0=$(ticks $pid); s0=$(ticks $XVFB)
  sleep "$SECONDS_PER_RUN"
  c1=$(ticks $pid); s1=$(ticks $XVFB)
  local peak
  peak=$(awk '/VmHWM/{print $2}' "/proc/$pid/status" 2>/dev/null)
  kill $pid 2>/dev/null; wait $pid 2>/dev/null
  awk -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v t="$SECONDS_PER_RUN" -v hz="$HZ" -v p="${peak:-0}" \
    'BEGIN{printf "%.2f %.2f %.1f", 100*c/hz/t, 100*s/hz/t, p/1024}'
  sleep 1
}
settings() {  # size smoothing bright contrast shown
  local show=$5
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvane group\\Vistrel]\r\n"RectLU"=dword:00640064\r\n"WindowSize"=dword:%08x\r\n"ZoomX"=dword:40800000\r\n"ZoomPnt"=dword:012c0258\r\n"SmoothImg"=dword:%08x\r\n"Bright"=dword:%s\r\n"Contrast"=dword:%s\r\n"ShowAnim"=dword:00000000\r\n"PlaySound"=dword:00000000\r\n' \
    "$1" "$2" "$3" "$4" >"$XDG_CONFIG_HOME/vistrel/settings.reg"
  # Without a tray the glass comes up at start; a tray host keeps it hidden (idle).
  [ "$show" = 1 ] || { command -v trayer >/dev/null && trayer >/dev/null 2>&1 & }
}
row() { printf '| %s | %s | %s |\n' "$1" "$2" "$(echo "$3" | awk '{printf "%s | %s | %s", $1, $2, $3}')"; }

SERVER_IDLE=$(measure sleep $((SECONDS_PER_RUN + 5)))
echo "Xvfb 1024 x 768 x 24, $SECONDS_PER_RUN s per run, $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(date -u +%Y-%m-%d)"
echo
echo "| program | glass | client CPU % | X server CPU % | peak RSS MB |"
echo "|---|---|---|---|---|"
row "(nothing: the X server alone)" "-" "$(echo "$SERVER_IDLE" | awk '{print $1, $2, "-"}')"
PROGRAMS=${PROGRAMS:-vistrel xzoom kmag}
for size in ${SIZES:-160 499}; do
  if [[ " $PROGRAMS " == *" vistrel "* ]]; then
    settings $size 0 3f000000 3f000000 1; row "vistrel, smoothing off" "$size" "$(measure "$VISTREL")"
    settings $size 1 3f000000 3f000000 1; row "vistrel, smoothing on" "$size" "$(measure "$VISTREL")"
    settings $size 1 3f19999a 3f333333 1; row "vistrel, smoothing and correction" "$size" "$(measure "$VISTREL")"
  fi
  [[ " $PROGRAMS " == *" xzoom "* ]] && row "xzoom -mag 4" "$size" "$(measure xzoom -mag 4 -geometry ${size}x${size})"
  [[ " $PROGRAMS " == *" kmag "* ]] &&
    row "kmag (its own zoom and refresh)" "$size" "$(measure kmag -qwindowgeometry ${size}x${size}+600+100)"
done
if [[ " $PROGRAMS " == *" vistrel "* ]] && command -v trayer >/dev/null; then
  trayer >/dev/null 2>&1 & TRAY=$!; PIDS+=($TRAY); sleep 1
  settings 160 0 3f000000 3f000000 0; row "vistrel, glass hidden (idle)" "-" "$(measure "$VISTREL")"
fi
