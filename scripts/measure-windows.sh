#!/usr/bin/env bash
# Measures what the Windows program costs under Wine on a virtual display, side by side with the
# magnifiers Debian packages (xzoom and kmag) in the same run, and writes a Markdown table.
# A measurement, not a test: it checks nothing and takes about RUNS x MEASURE_SECONDS x 11 seconds.
#
#   bash scripts/measure-windows.sh [--no-build] [OUTPUT.md]
#
# Xvfb 1024 x 768, zoom 4; for each case RUNS runs (default 3) of SECONDS (default 20) after a
# settling time, the median of each process's share of one core (user + system time from /proc):
# the client (Vistrel.exe, xzoom, kmag, an idle Windows program), wineserver and the X server.
# Cases: Vistrel.exe at 160 and 499 pixels with smoothing off and on, hidden (tray only); an idle
# Windows program (Wine's notepad, minimised); xzoom at 160 and 500; kmag at 160 and 499. The screen
# under the glasses is still (a terminal full of text), except in the cases marked "changing": there a
# small terminal under every glass's source area writes a new number every 100 ms; its own cost (and
# the X server's for it) is measured alone as well.
# CASES (a space-separated list of case names, default all) measures only some: vistrel-160,
# vistrel-499, vistrel-hidden, idle, xzoom, kmag, pattern, vistrel-499-changing, xzoom-changing,
# kmag-changing.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
ROOT=$PWD
BUILD=${VISTREL_WINDOWS_BUILD:-$ROOT/build-windows}
RUNS=${RUNS:-3}
SECONDS_PER_RUN=${MEASURE_SECONDS:-20}
SETTLE=${SETTLE:-4}
CASES=${CASES:-vistrel-160 vistrel-499 vistrel-hidden idle xzoom kmag pattern vistrel-499-changing xzoom-changing kmag-changing}
BUILD_FIRST=1
[ "${1:-}" = "--no-build" ] && { BUILD_FIRST=0; shift; }
OUTPUT=${1:-$BUILD/measure-windows.md}

KEY='HKCU\Software\Orvane group\Vistrel'
INSTALL_WIN='C:\Program Files\Vistrel'
WM_COMMAND=0x0111
CMD_SHOW_HIDE=$(( (110 << 16) | 3 ))
CMD_CLOSE=$(( (110 << 16) | 5 ))
ZOOM_BITS=$(( 0x40800000 ))  # 4.0f
HZ=$(getconf CLK_TCK)

need=()
for p in xvfb wine64 xzoom kmag xterm xdotool g++-mingw-w64-x86-64; do dpkg -s "$p" >/dev/null 2>&1 || need+=("$p"); done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" || exit 1
fi
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
[ $BUILD_FIRST -eq 1 ] && { bash scripts/build-windows.sh || exit 1; }

WORK=$(mktemp -d /tmp/vistrel-measure.XXXXXX)
export WINEPREFIX=$WORK/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
XVFB_PID=""
CLIENT_PID=""
cleanup() {
  [ -n "$CLIENT_PID" ] && kill "$CLIENT_PID" 2>/dev/null
  [ -n "${PATTERN_PID:-}" ] && kill "$PATTERN_PID" 2>/dev/null
  [ -d "$WINEPREFIX" ] && timeout 15 "$WINESERVER" -k >/dev/null 2>&1
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$WORK/display")"
mkdir -p "$WINEPREFIX"
"$WINESERVER" -p >/dev/null 2>&1
timeout 180 "$WINE" wineboot -i >/dev/null 2>&1
sleep $(( SETTLE * 3 ))  # the prefix's services settle after their first start
INSTALL_DIR=$WINEPREFIX/drive_c/Program\ Files/Vistrel
mkdir -p "$INSTALL_DIR"
cp -r "$BUILD/Vistrel"/. "$INSTALL_DIR"/
control() { timeout 30 "$WINE" "$BUILD/vistrel-control.exe" "$@" >/dev/null 2>&1; }
# A desktop picture with detail under the glass: an xterm full of text. The pointer rests on the zoom
# point, which kmag follows.
xterm -geometry 170x60+0+0 -e "ls -lR /usr/share/doc | head -3000; sleep 100000" >/dev/null 2>&1 &
sleep 1
xdotool mousemove 300 300 >/dev/null 2>&1
# The changing screen: a small xterm over the zoom point (every glass's source area: Vistrel's and
# kmag's are centred on it, xzoom's starts there) writing a new number every 100 ms.
PATTERN_PID=""
pattern_start() {
  xterm -geometry 10x2+270+285 -e sh -c 'i=0; while :; do i=$((i + 1)); printf "\r%08d" $i; sleep 0.1; done' \
    >/dev/null 2>&1 &
  PATTERN_PID=$!
  sleep 1
}
pattern_stop() { [ -n "$PATTERN_PID" ] && kill "$PATTERN_PID" 2>/dev/null; wait "$PATTERN_PID" 2>/dev/null; PATTERN_PID=""; }
wanted() { [[ " $CASES " == *" $1 "* ]]; }

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
# The newest process of this run (its display: the machine may run other Wine sessions and X servers)
# whose command line matches.
pid_of() {  # PATTERN [pgrep options]
  local p found=""
  for p in $(pgrep ${2:-} -f "$1"); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "DISPLAY=$DISPLAY" && found=$p
  done
  echo "$found"
}

# Median over RUNS of the three processes' share of one core: prints "client wineserver xserver".
measure() {  # CLIENT_PID_PATTERN
  local client server runs=() r c0 s0 x0 c1 s1 x1
  client=$(pid_of "$1"); server=$(pid_of '/wineserver(64)?( |$)')
  [ -n "$client" ] || echo "measure-windows.sh: no process '$1' on $DISPLAY" >&2
  for r in $(seq "$RUNS"); do
    c0=$(ticks "$client"); s0=$([ -n "$server" ] && ticks "$server" || echo 0); x0=$(ticks "$XVFB_PID")
    sleep "$SECONDS_PER_RUN"
    c1=$(ticks "$client"); s1=$([ -n "$server" ] && ticks "$server" || echo 0); x1=$(ticks "$XVFB_PID")
    runs+=("$(( c1 - c0 )) $(( s1 - s0 )) $(( x1 - x0 ))")
  done
  local column out=""
  for column in 1 2 3; do
    out+=$(printf '%s\n' "${runs[@]}" | awk -v c=$column '{ print $c }' | sort -n |
      awk -v hz="$HZ" -v s="$SECONDS_PER_RUN" '{ v[NR] = $1 } END { printf "%.2f ", v[int((NR + 1) / 2)] * 100 / (hz * s) }')
  done
  echo "$out"
}

ROWS=()
row() { ROWS+=("| $1 | $2 | $3 | $(echo "$4" | awk '{ print $1 " | " $2 " | " $3 }') |"); echo "${ROWS[-1]}"; }

vistrel_case() {  # SIDE SMOOTH(0|1|hidden) [SCREEN]
  local side=$1 smooth=$2 screen=${3:-} left=$(( 1024 - $1 - 20 )) top=$(( 768 - $1 - 20 ))
  local name value
  for entry in "SmoothImg:REG_DWORD:$([ "$smooth" = 1 ] && echo 1 || echo 0)" "WindowSize:REG_DWORD:$side" \
               "RectLU:REG_DWORD:$(( (top << 16) | left ))" "ZoomX:REG_DWORD:$ZOOM_BITS" \
               "ZoomPnt:REG_DWORD:$(( (300 << 16) | 300 ))" "ShowAnim:REG_DWORD:0" "PlaySound:REG_DWORD:0" \
               "ShowLight:REG_DWORD:0"; do
    name=${entry%%:*}; value=${entry##*:}
    timeout 30 "$WINE" reg add "$KEY" /v "$name" /t "$(echo "$entry" | cut -d: -f2)" /d "$value" /f >/dev/null 2>&1
  done
  timeout -k 5 600 "$WINE" "$INSTALL_WIN\\Vistrel.exe" >/dev/null 2>&1 &
  CLIENT_PID=$!
  control wait MAGNIFYINGGLASS present 30000
  [ "$smooth" != hidden ] && control post MAGNIFYINGGLASS $WM_COMMAND $CMD_SHOW_HIDE 0
  sleep "$SETTLE"
  local result
  result=$(measure 'Vistrel.exe')
  if [ "$smooth" = hidden ]; then row "Vistrel.exe (Wine)" "hidden, tray only" "-" "$result"
  else row "Vistrel.exe (Wine)${screen:+, $screen}" "$side" "$([ "$smooth" = 1 ] && echo on || echo off)" "$result"; fi
  control post MAGNIFYINGGLASS $WM_COMMAND $CMD_CLOSE 0
  wait "$CLIENT_PID" 2>/dev/null; CLIENT_PID=""
}

peer_case() {  # NAME SIDE PATTERN COMMAND...
  local name=$1 side=$2 pattern=$3
  shift 3
  "$@" >/dev/null 2>&1 &
  CLIENT_PID=$!
  sleep "$SETTLE"; sleep "$SETTLE"
  local result
  result=$(measure "$pattern")
  row "$name" "$side" "-" "$(echo "$result" | awk '{ print $1, "-", $3 }')"
  kill "$CLIENT_PID" 2>/dev/null; wait "$CLIENT_PID" 2>/dev/null; CLIENT_PID=""
}

echo "measuring on $DISPLAY: $RUNS runs of $SECONDS_PER_RUN s per case"
for side in 160 499; do
  wanted vistrel-$side && for smooth in 0 1; do vistrel_case $side $smooth; done
done
wanted vistrel-hidden && vistrel_case 160 hidden
if wanted vistrel-499-changing; then
  pattern_start
  for smooth in 0 1; do vistrel_case 499 $smooth changing; done
  pattern_stop
fi
if wanted idle; then
  timeout -k 5 600 "$WINE" start /min notepad >/dev/null 2>&1 &
  sleep "$SETTLE"; sleep "$SETTLE"
  row "idle Windows program (notepad, Wine)" "-" "-" "$(measure 'notepad')"
fi
timeout 15 "$WINESERVER" -k >/dev/null 2>&1
xzoom_case() { peer_case "xzoom (default delay)$2" $1 "xzoom" xzoom -mag 4 -source $(( $1 / 4 ))x$(( $1 / 4 ))+300+300; }
kmag_case() { peer_case "kmag (its defaults)$2" $1 "kmag" kmag -geometry ${1}x${1}+600+300; }
wanted xzoom && for side in 160 500; do xzoom_case $side ""; done
wanted kmag && for side in 160 499; do kmag_case $side ""; done
if wanted pattern || wanted xzoom-changing || wanted kmag-changing; then
  pattern_start
  wanted pattern &&
    row "the changing terminal alone (xterm)" "-" "-" "$(measure "xterm -geometry 10x2" | awk '{ print $1, "-", $3 }')"
  wanted xzoom-changing && xzoom_case 500 ", changing"
  wanted kmag-changing && kmag_case 499 ", changing"
  pattern_stop
fi

{
  echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) x $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'),"
  echo "$(. /etc/os-release; echo "$PRETTY_NAME"), $("$WINE" --version 2>/dev/null); Xvfb 1024 x 768 x 24, zoom 4,"
  echo "median of $RUNS runs of $SECONDS_PER_RUN s, % of one core (user + system time from /proc)."
  echo
  echo "| program | glass | smoothing | client | wineserver | X server |"
  echo "|---|---|---|---|---|---|"
  printf '%s\n' "${ROWS[@]}"
} >"$OUTPUT"
echo "table written to $OUTPUT"
