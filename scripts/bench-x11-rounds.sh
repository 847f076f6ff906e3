#!/usr/bin/env bash
# The changing screen of scripts/bench-x11.sh (Xvfb 1024 x 768 x 24, zoom 4, a window of the bench's own
# changing colour ten times a second under the source area), measured in rounds: each round runs every
# program once for SECONDS, one after the other, so that a change in the machine's load during the
# measurement falls on all of them alike instead of on one row. The programs: each vistrel build of
# VISTRELS="NAME=PATH ..." (default vistrel=build/vistrel), smoothing off (SMOOTH=1: on), xzoom at 100 ms
# and `floor`, build/vistrel-refresh-floor (tools/x11/RefreshFloor.cpp: the least a refresh can cost, a
# shared-memory read of the source square, an enlargement by repeated pixels and one put of the whole
# glass every 120 ms, nothing else); each round also measures the X server with the changing window
# alone. Prints, for each program, client + X server CPU (% of one core, from the scheduler's nanosecond
# count) of every round, their median, the median per refresh in milliseconds (10 x % / refreshes a
# second: 8.33 for the glass and the floor at 120 ms, 10 for xzoom at 100 ms), the same per refresh without
# the changing window's own share of the X server (the median of the rounds' differences; that share is
# the same whatever magnifier runs, and dividing it by each program's refreshes would charge the one that
# refreshes less often more of it, so this is the figure that compares programs at equal refresh), and
# the client's own part of that. Then each glass's and the floor's cost a refresh as a ratio to xzoom's,
# taken round by round, with and without that share. Not a test. On a shared virtual machine the figures
# hold much stiller with the whole bench on one processor (`taskset -c 1 bash scripts/bench-x11-rounds.sh`):
# the programs then no longer wake each other across processors, which such machines charge dearly and
# unevenly.
#
#   bash scripts/bench-x11-rounds.sh [SECONDS]     (default 20; ROUNDS, default 5; SIZE, default 499)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
SECONDS_PER_RUN=${1:-20}
ROUNDS=${ROUNDS:-5}
SIZE=${SIZE:-499}
SMOOTH=${SMOOTH:-0}
VISTRELS=${VISTRELS:-vistrel=$PWD/build/vistrel}
for build in $VISTRELS; do
  [ -x "${build#*=}" ] || { echo "no program at ${build#*=}" >&2; exit 1; }
done
command -v xzoom >/dev/null || { echo "xzoom is not installed" >&2; exit 1; }
FLOOR=$PWD/build/vistrel-refresh-floor
[ -x "$FLOOR" ] || { echo "no program at $FLOOR (build it: bash scripts/setup.sh)" >&2; exit 1; }

. scripts/bench-x11-display.sh
write_settings "$SIZE" "$SMOOTH"
start_changes

# One measurement: the command for SECONDS_PER_RUN after 3 settling seconds; prints client + server %,
# then a space and the client's %.
once() {
  local delay_keys=$1
  shift
  "$@" >/dev/null 2>&1 &
  local pid=$!
  sleep 2
  if [ "$delay_keys" -gt 0 ]; then
    local window
    window=$(timeout 5 xdotool search --name '^xzoom' 2>/dev/null | head -1)
    timeout 5 xdotool key --window "$window" d 2>/dev/null
  fi
  sleep 1
  local c0 s0 c1 s1
  c0=$(cpu_ns $pid); s0=$(cpu_ns $XVFB)
  sleep "$SECONDS_PER_RUN"
  c1=$(cpu_ns $pid); s1=$(cpu_ns $XVFB)
  kill $pid 2>/dev/null; wait $pid 2>/dev/null
  awk -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v t="$SECONDS_PER_RUN" 'BEGIN{printf "%.3f %.3f", 100 * (c + s) / 1e9 / t, 100 * c / 1e9 / t}'
  sleep 1
}
src=$((SIZE / 4))
# An awk function: the median of v[1..k], leaving v sorted.
MEDIAN='
  function median(v, k,   x, y, t) {
    for (x = 1; x <= k; x++) for (y = x + 1; y <= k; y++) if (v[y] + 0 < v[x] + 0) {t = v[x]; v[x] = v[y]; v[y] = t}
    return k % 2 ? v[(k + 1) / 2] : (v[k / 2] + v[k / 2 + 1]) / 2
  }'
names=()
for build in $VISTRELS; do names+=("${build%%=*}"); done
names+=(floor xzoom)
declare -A results clients
alone=""
# Records one measurement of program $1 (the command after it).
measure() {
  local name=$1 keys=$2 both
  shift 2
  both=$(once "$keys" "$@")
  results[$name]+="${both% *} "
  clients[$name]+="${both#* } "
}
for round in $(seq "$ROUNDS"); do
  for build in $VISTRELS; do
    measure "${build%%=*}" 0 "${build#*=}"
  done
  measure floor 0 "$FLOOR" "$SIZE" 600 300
  measure xzoom 1 xzoom -mag 4 -source ${src}x${src}+$((600 - src / 2))+$((300 - src / 2))
  both=$(once 0 sleep $((SECONDS_PER_RUN + 10)))
  alone+="${both% *} "
done
echo "Glass $SIZE, smoothing $([ "$SMOOTH" = 0 ] && echo off || echo on), screen changing; $ROUNDS rounds of $SECONDS_PER_RUN s, $(nproc --all) cores$([ "$(nproc)" != "$(nproc --all)" ] && echo ", the bench on $(nproc) of them"): $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load average $(cut -d' ' -f1-3 /proc/loadavg) at the end, $(date -u '+%Y-%m-%d %H:%M') UTC"
echo
echo "| program | client + X server CPU % by round | median | ms a refresh | ms a refresh, without the window's share | of which the client's |"
echo "|---|---|---|---|---|---|"
for name in "${names[@]}"; do
  rate=8.333
  [ "$name" = xzoom ] && rate=10
  printf '%s\n%s\n%s\n' "${results[$name]}" "$alone" "${clients[$name]}" | awk -v n="$name" -v r="$rate" "$MEDIAN"'
    NR == 1 {k = NF; for (i = 1; i <= NF; i++) {a[i] = $i; line = i == 1 ? $i : line " / " $i}}
    NR == 2 {for (i = 1; i <= k; i++) d[i] = a[i] - $i}
    NR == 3 {for (i = 1; i <= k; i++) c[i] = $i}
    END {m = median(a, k); printf "| %s | %s | %.3f | %.3f | %.3f | %.3f |\n", n, line, m, 10 * m / r, 10 * median(d, k) / r, 10 * median(c, k) / r}'
done
echo "| changing window alone (X server) | $(echo $alone | sed 's/ / \/ /g') | | | | |"
# The same comparison round by round: each round's glass and xzoom ran a minute apart at most, so their
# ratio is spared most of the swings between rounds.
echo
echo "| program / xzoom, a refresh, round by round | median | lowest - highest | without the window's share: median | lowest - highest |"
echo "|---|---|---|---|---|"
for name in "${names[@]}"; do
  [ "$name" = xzoom ] && continue
  printf '%s\n%s\n%s\n' "${results[$name]}" "${results[xzoom]}" "$alone" | awk -v n="$name" "$MEDIAN"'
    NR == 1 {k = NF; for (i = 1; i <= NF; i++) g[i] = $i}
    NR == 2 {for (i = 1; i <= k; i++) z[i] = $i}
    NR == 3 {for (i = 1; i <= k; i++) {r[i] = (g[i] / 8.333) / (z[i] / 10); d[i] = z[i] > $i ? ((g[i] - $i) / 8.333) / ((z[i] - $i) / 10) : 0}}
    END {m = median(r, k); lo = r[1]; hi = r[k]; dm = median(d, k); printf "| %s | %.2f | %.2f - %.2f | %.2f | %.2f - %.2f |\n", n, m, lo, hi, dm, d[1], d[k]}'
done
