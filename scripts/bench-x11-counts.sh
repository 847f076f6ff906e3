#!/usr/bin/env bash
# The changing screen of scripts/bench-x11-rounds.sh (Xvfb 1024 x 768 x 24, zoom 4, the bench's changing
# window under the source area), counted instead of timed: a refresh's processor time on a shared
# machine swings by a third from one minute to the next, its counts do not. For each program, per refresh:
# - instructions of the client and of the X server (valgrind's callgrind on both; the server's share of
#   the changing window, measured alone, taken off; refreshes counted as the client's screen reads,
#   XShmGetImage, which every program here makes once a refresh);
# - system calls (perf's count of sys_enter) and sleeps (the kernel's count of voluntary context
#   switches) of the client and of the X server, without valgrind, the window's share taken off; here the
#   refreshes are the programs' own rates (8.33 a second for the glass at 120 ms, 10 for xzoom at 100 ms).
# The programs: each vistrel build of VISTRELS="NAME=PATH ..." (default vistrel=build/vistrel) and xzoom
# at 100 ms; SIZE (default 160) the glass, SMOOTH=1 smoothing on. Not a test.
#
#   bash scripts/bench-x11-counts.sh [SECONDS]     (default 20 of counting for each program and pass)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
SECONDS_PER_RUN=${1:-20}
SIZE=${SIZE:-160}
SMOOTH=${SMOOTH:-0}
VISTRELS=${VISTRELS:-vistrel=$PWD/build/vistrel}
for build in $VISTRELS; do
  [ -x "${build#*=}" ] || { echo "no program at ${build#*=}" >&2; exit 1; }
done
for tool in xzoom valgrind perf xdotool; do
  command -v $tool >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
src=$((SIZE / 4))
XZOOM="xzoom -mag 4 -source ${src}x${src}+$((600 - src / 2))+$((300 - src / 2))"

# Total instructions of a callgrind dump, and how many calls it holds of the function named $2.
instructions() { awk '/^(summary|totals):/ {print $2; exit}' "$1"; }
calls_of() {
  awk -v want="$2" '
    /^c?fn=\(/ { id = $1; sub(/^c?fn=/, "", id); name = $0; sub(/^c?fn=\([0-9]+\) ?/, "", name)
                 if (name != "") names[id] = name
                 callee = ($0 ~ /^cfn=/) ? names[id] : ""; next }
    /^calls=/ { if (callee == want) { split($1, c, "="); total += c[2] } ; next }
    END { print total + 0 }' "$1"
}

# Starts a program (xzoom gets its 100 ms with one press of its 'd' key); prints its pid.
start() {
  "$@" >/dev/null 2>&1 &
  local pid=$!
  if [[ " $* " == *" xzoom "* ]]; then
    sleep "$SETTLE"
    timeout 20 xdotool key --window "$(timeout 20 xdotool search --name '^xzoom' | head -1)" d 2>/dev/null
  fi
  echo $pid
}

programs=()
for build in $VISTRELS; do programs+=("${build%%=*}=${build#*=}"); done
programs+=("xzoom=$XZOOM")

# Instructions: the X server and each client under callgrind. Writes NAME refreshes client server.
(
  XVFB_THROUGH="valgrind --tool=callgrind --callgrind-out-file=$OUT/server.%p"
  . scripts/bench-x11-display.sh
  write_settings "$SIZE" "$SMOOTH"
  start_changes
  SETTLE=8
  last_dump() { ls -t "$1".* | head -1; }
  sleep "$SETTLE"  # the server under valgrind is still busy with the window's start
  callgrind_control -z $XVFB >/dev/null 2>&1
  sleep "$SECONDS_PER_RUN"
  callgrind_control -d $XVFB >/dev/null 2>&1
  sleep 1
  echo "alone - - $(instructions "$(last_dump "$OUT/server.$XVFB")")" >"$OUT/instructions"
  for entry in "${programs[@]}"; do
    name=${entry%%=*}
    # shellcheck disable=SC2086
    pid=$(start valgrind --tool=callgrind --callgrind-out-file="$OUT/$name.%p" ${entry#*=})
    sleep "$SETTLE"
    callgrind_control -z $pid >/dev/null 2>&1
    callgrind_control -z $XVFB >/dev/null 2>&1
    sleep "$SECONDS_PER_RUN"
    callgrind_control -d $pid >/dev/null 2>&1
    callgrind_control -d $XVFB >/dev/null 2>&1
    sleep 1
    kill $pid 2>/dev/null; wait $pid 2>/dev/null
    dump=$(last_dump "$OUT/$name.$pid")
    server=$(instructions "$(last_dump "$OUT/server.$XVFB")")
    echo "$name $(calls_of "$dump" XShmGetImage) $(instructions "$dump") $server" >>"$OUT/instructions"
  done
)

# System calls and sleeps, without valgrind. Writes NAME client-calls client-sleeps server-calls server-sleeps.
(
  . scripts/bench-x11-display.sh
  write_settings "$SIZE" "$SMOOTH"
  start_changes
  SETTLE=2
  sleeps() { awk '/^voluntary_ctxt_switches/ {print $2}' /proc/"$1"/status; }
  # Counts the system calls and sleeps of the pids given, over the run; prints them in pairs.
  count() {
    local files=() before=() pid i=0
    for pid in "$@"; do
      before+=("$(sleeps $pid)")
      perf stat -x, -e raw_syscalls:sys_enter -p $pid -o "$OUT/perf.$pid" -- sleep "$SECONDS_PER_RUN" 2>/dev/null &
      files+=("$OUT/perf.$pid")
    done
    wait
    for pid in "$@"; do
      echo -n "$(awk -F, '/sys_enter/ {print $1}' "${files[$i]}") $(($(sleeps $pid) - before[i])) "
      i=$((i + 1))
    done
    echo
  }
  echo "alone - - $(count $XVFB)" >"$OUT/calls"
  for entry in "${programs[@]}"; do
    name=${entry%%=*}
    # shellcheck disable=SC2086
    pid=$(start ${entry#*=})
    sleep 3
    echo "$name $(count $pid $XVFB)" >>"$OUT/calls"
    kill $pid 2>/dev/null; wait $pid 2>/dev/null
  done
)

echo "Glass $SIZE, smoothing $([ "$SMOOTH" = 0 ] && echo off || echo on), screen changing; $SECONDS_PER_RUN s a program and pass, $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(date -u '+%Y-%m-%d %H:%M') UTC"
echo
echo "Per refresh; X server without the changing window's share (measured alone in each pass):"
echo
echo "| program | refreshes counted | client instructions | X server instructions | client system calls | client sleeps | X server system calls | X server sleeps |"
echo "|---|---|---|---|---|---|---|---|"
awk -v t="$SECONDS_PER_RUN" '
  FNR == NR { if ($1 == "alone") alone_ir = $4; else { refreshes[$1] = $2; client_ir[$1] = $3; server_ir[$1] = $4; order[++n] = $1 }; next }
  $1 == "alone" { alone_calls = $4; alone_sleeps = $5; next }
  { calls[$1] = $2; sleeps[$1] = $3; scalls[$1] = $4; ssleeps[$1] = $5 }
  END {
    for (i = 1; i <= n; i++) {
      p = order[i]; r = refreshes[p]; rate = p == "xzoom" ? 10 : 25 / 3; k = rate * t
      if (r == 0) { printf "| %s | 0 | - | - | - | - | - | - |\n", p; continue }
      printf "| %s | %d | %.0f | %.0f | %.1f | %.2f | %.1f | %.2f |\n", p, r, client_ir[p] / r, (server_ir[p] - alone_ir) / r,
             calls[p] / k, sleeps[p] / k, (scalls[p] - alone_calls) / k, (ssleeps[p] - alone_sleeps) / k
    }
  }' "$OUT/instructions" "$OUT/calls"
