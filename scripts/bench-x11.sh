#!/usr/bin/env bash
# Measures vistrel beside the magnifiers Debian packages (xzoom, kmag) on one virtual X display
# (Xvfb 1024 x 768, 24-bit): for each program and glass size, the CPU that the program and the X server
# use over SECONDS of steady running (percent of one core, to a thousandth: the scheduler's own count of
# each thread's time on a processor in nanoseconds, /proc/PID/task/*/schedstat, where the kernel keeps
# it, else the clock ticks of /proc/PID/stat, whose steps are 0.05 % over 20 s) and the program's peak
# resident memory (VmHWM), each the median of RUNS runs (default 3). Zoom 4 where the program lets it be
# set from outside. vistrel refreshes every 120 ms, with smoothing off, on, and on with brightness/contrast
# correction, and once with the glass hidden (idle). xzoom waits 200 ms between frames by default; its 'd'
# key gives 100 ms, the nearest of its delays to vistrel's 120 ms (none is 120): it runs at both, so that
# its cost at vistrel's refresh lies between the two; its source area is centred on vistrel's zoom point.
# Every program is measured on a still screen, and vistrel (smoothing off and on) and xzoom once more on a
# screen that changes under the glass ten times a second (the second row shows what that costs the X
# server alone). Not a test: prints a table (Markdown) for README.
#
#   bash scripts/bench-x11.sh [SECONDS]     (default 20)
# PROGRAMS="vistrel xzoom kmag" (the default) chooses the programs, SIZES="160 499" the glass sizes,
# SCREENS="still changing" (the default) the screens, RUNS the runs per row, VISTREL the program
# (build/vistrel). VISTRELS="NAME=PATH ..." measures several builds of it side by side in one run, each
# row named by its NAME (for instance VISTRELS="before=/tmp/vistrel-old vistrel=build/vistrel").
# FRAMES=1 adds two columns: the frames per second the program's window really showed (counted by
# scripts/count-frames.py through the X server's DAMAGE reports, in a run of its own of FRAME_SECONDS,
# default 10, after the measured runs, since counting costs the server a little), and the CPU of client
# and X server per frame shown: 10 x (client % + server %) / (frames per second) milliseconds. A glass
# that finds the screen under it unchanged shows no new frame, so on a changing screen this is the cost
# per frame that changed.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
SECONDS_PER_RUN=${1:-20}
RUNS=${RUNS:-3}
VISTREL=${VISTREL:-$PWD/build/vistrel}
need=()
for p in xvfb xzoom kmag x11-utils xdotool python3-tk; do dpkg -s "$p" >/dev/null 2>&1 || need+=("$p"); done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
fi
VISTRELS=${VISTRELS:-vistrel=$VISTREL}
[ -x "$VISTREL" ] || cmake --build build --target vistrel -j2 >/dev/null || exit 1
for build in $VISTRELS; do
  [ -x "${build#*=}" ] || { echo "no program at ${build#*=}" >&2; exit 1; }
done

. scripts/bench-x11-display.sh
# Runs the command for SECONDS_PER_RUN after 3 settling seconds; prints "client% server% peakMB".
# DELAY_KEYS presses xzoom's 'd' key that many times first (200 ms -> 100 ms -> 50 ms ...).
measure_once() {
  "$@" >/dev/null 2>&1 &
  local pid=$!
  sleep 2
  if [ "${DELAY_KEYS:-0}" -gt 0 ]; then
    local window
    window=$(timeout 5 xdotool search --name '^xzoom' 2>/dev/null | head -1)
    for _ in $(seq "$DELAY_KEYS"); do timeout 5 xdotool key --window "$window" d 2>/dev/null; done
  fi
  sleep 1
  local c0 s0 c1 s1
  c0=$(cpu_ns $pid); s0=$(cpu_ns $XVFB)
  sleep "$SECONDS_PER_RUN"
  c1=$(cpu_ns $pid); s1=$(cpu_ns $XVFB)
  local peak
  peak=$(awk '/VmHWM/{print $2}' "/proc/$pid/status" 2>/dev/null)
  kill $pid 2>/dev/null; wait $pid 2>/dev/null
  awk -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v t="$SECONDS_PER_RUN" -v p="${peak:-0}" \
    'BEGIN{printf "%.3f %.3f %.1f\n", 100*c/1e9/t, 100*s/1e9/t, p/1024}'
  sleep 1
}
# RUNS runs of measure_once; prints the median of each column.
measure() {
  local runs=()
  for _ in $(seq "$RUNS"); do runs+=("$(measure_once "$@")"); done
  printf '%s\n' "${runs[@]}" | awk '{for (i = 1; i <= 3; i++) v[i, NR] = $i}
    END{for (i = 1; i <= 3; i++) {n = 0; for (r = 1; r <= NR; r++) a[++n] = v[i, r]
        for (x = 1; x <= n; x++) for (y = x + 1; y <= n; y++) if (a[y] + 0 < a[x] + 0) {t = a[x]; a[x] = a[y]; a[y] = t}
        printf "%s%s", a[int((n + 1) / 2)], i < 3 ? " " : "\n"}}'
}
# The changing window (start_changes, scripts/bench-x11-display.sh) lies over part of the source area,
# right of the glass: almost every refresh of the glass finds the screen under it changed.
settings() {  # size smoothing bright contrast shown
  local show=$5
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvane group\\Vistrel]\r\n"RectLU"=dword:00640064\r\n"WindowSize"=dword:%08x\r\n"ZoomX"=dword:40800000\r\n"ZoomPnt"=dword:012c0258\r\n"SmoothImg"=dword:%08x\r\n"Bright"=dword:%s\r\n"Contrast"=dword:%s\r\n"ShowAnim"=dword:00000000\r\n"PlaySound"=dword:00000000\r\n' \
    "$1" "$2" "$3" "$4" >"$XDG_CONFIG_HOME/vistrel/settings.reg"
  # Without a tray the glass comes up at start; a tray host keeps it hidden (idle).
  [ "$show" = 1 ] || { command -v trayer >/dev/null && trayer >/dev/null 2>&1 & }
}
# Frames per second the program's window shows (FRAMES=1): the program runs as in measure_once, and
# the first shown window that xdotool finds by the search arguments in WINDOW is watched.
count_frames() {
  "$@" >/dev/null 2>&1 &
  local pid=$!
  sleep 2
  local window
  # shellcheck disable=SC2086  # WINDOW holds several arguments
  window=$(timeout 5 xdotool search --onlyvisible $WINDOW 2>/dev/null | head -1)
  # (xzoom's 'd' key puts the delay in its title, so its window is found first)
  for _ in $(seq "${DELAY_KEYS:-0}"); do timeout 5 xdotool key --window "$window" d 2>/dev/null; done
  sleep 1
  if [ -n "$window" ]; then python3 scripts/count-frames.py "$window" "${FRAME_SECONDS:-10}" || echo "-"; else echo "-"; fi
  kill $pid 2>/dev/null; wait $pid 2>/dev/null
  sleep 1
}
# A row: name, glass, "client server peak" and, with FRAMES=1, the frames per second (or "-").
row() {
  local measured
  measured=$(echo "$3" | awk '{printf "%s | %s | %s", $1, $2, $3}')
  if [ "${FRAMES:-0}" = 1 ]; then
    measured="$measured | $(echo "$3 ${4:--}" | awk '{if ($4 == "-") printf "- | -"; else if ($4 + 0 <= 0) printf "%s | -", $4
      else printf "%s | %.2f", $4, 10 * ($1 + $2) / $4}')"
  fi
  printf '| %s | %s | %s |\n' "$1" "$2" "$measured"
}
# measure, then (FRAMES=1) count_frames, as a row: name, glass, window search, command.
measured_row() {
  local name=$1 size=$2
  WINDOW=$3
  shift 3
  local measured frames=-
  measured=$(measure "$@")
  [ "${FRAMES:-0}" = 1 ] && frames=$(count_frames "$@")
  row "$name" "$size" "$measured" "$frames"
}

SERVER_IDLE=$(RUNS=1 measure sleep $((SECONDS_PER_RUN + 5)))
start_changes
SERVER_CHANGING=$(RUNS=1 measure sleep $((SECONDS_PER_RUN + 5)))
stop_changes
echo "Xvfb 1024 x 768 x 24, $SECONDS_PER_RUN s per run, median of $RUNS runs, $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load average $(cut -d' ' -f1-3 /proc/loadavg) at the start, $(date -u '+%Y-%m-%d %H:%M') UTC"
echo
if [ "${FRAMES:-0}" = 1 ]; then
  echo "| program | glass | client CPU % | X server CPU % | peak RSS MB | frames/s (counted) | ms a frame, client + server |"
  echo "|---|---|---|---|---|---|---|"
else
  echo "| program | glass | client CPU % | X server CPU % | peak RSS MB |"
  echo "|---|---|---|---|---|"
fi
row "(nothing: the X server alone)" "-" "$(echo "$SERVER_IDLE" | awk '{print $1, $2, "-"}')"
row "(nothing: the X server with the screen changing)" "-" "$(echo "$SERVER_CHANGING" | awk '{print $1, $2, "-"}')"
PROGRAMS=${PROGRAMS:-vistrel xzoom kmag}
SCREENS=${SCREENS:-still changing}
has() { [[ " $PROGRAMS " == *" $1 "* ]]; }
on() { [[ " $SCREENS " == *" $1 "* ]]; }
for size in ${SIZES:-160 499}; do
  if has vistrel && on still; then
    for build in $VISTRELS; do
      name=${build%%=*} program=${build#*=}
      settings $size 0 3f000000 3f000000 1; measured_row "$name, smoothing off" "$size" "--class vistrel" "$program"
      settings $size 1 3f000000 3f000000 1; measured_row "$name, smoothing on" "$size" "--class vistrel" "$program"
      settings $size 1 3f19999a 3f333333 1; measured_row "$name, smoothing and correction" "$size" "--class vistrel" "$program"
    done
  fi
  src=$((size / 4))
  xzoom=(xzoom -mag 4 -source ${src}x${src}+$((600 - src / 2))+$((300 - src / 2)))
  if has xzoom && on still; then
    measured_row "xzoom -mag 4, 200 ms" "$size" "--name ^xzoom" "${xzoom[@]}"
    DELAY_KEYS=1 measured_row "xzoom -mag 4, 100 ms" "$size" "--name ^xzoom" "${xzoom[@]}"
  fi
  has kmag && on still && measured_row "kmag (its own zoom and refresh)" "$size" "--class kmag" kmag -qwindowgeometry ${size}x${size}+600+100
  on changing || continue
  start_changes
  if has vistrel; then
    for build in $VISTRELS; do
      name=${build%%=*} program=${build#*=}
      settings $size 0 3f000000 3f000000 1; measured_row "$name, smoothing off, screen changing" "$size" "--class vistrel" "$program"
      settings $size 1 3f000000 3f000000 1; measured_row "$name, smoothing on, screen changing" "$size" "--class vistrel" "$program"
    done
  fi
  has xzoom && DELAY_KEYS=1 measured_row "xzoom -mag 4, 100 ms, screen changing" "$size" "--name ^xzoom" "${xzoom[@]}"
  stop_changes
done
if has vistrel && on still && command -v trayer >/dev/null; then
  trayer >/dev/null 2>&1 & TRAY=$!; PIDS+=($TRAY); sleep 1
  for build in $VISTRELS; do
    settings 160 0 3f000000 3f000000 0; row "${build%%=*}, glass hidden (idle)" "-" "$(measure "${build#*=}")"
  done
fi
