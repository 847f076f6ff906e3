#!/usr/bin/env bash
# Builds vistrel-soak (build/, RelWithDebInfo) and soaks the program on the simulated handheld: random
# gestures for hours of device time, every invariant checked after each gesture.
#
#   bash scripts/soak.sh [HOURS_PER_SEED] [SEED...]      (defaults: 10 hours; seeds 1 2 3)
#       each seed in turn; stops at the first seed that breaks an invariant.
#   bash scripts/soak.sh --total HOURS [--seeds N] [SEED...]
#       HOURS of device time shared evenly by the given seeds, or by N new seeds (default 8) counted
#       up from a base taken from the clock (printed, so a run can be repeated). Every seed runs even
#       when one fails; each is reported on its own line and in a table at the end.
#
# A failing seed's shortest reproducer is printed and written to build/soak-failure-SEED.scn, a scenario
# that vistrel-sim replays (build/vistrel-soak --replay FILE replays it with the soak's checks). Run it
# beside other work as `nice -n 19 bash scripts/soak.sh --total 200`. CI soaks its own fixed seed in
# tests/soak_test.cpp and does not call this script.
# The soak runs the program from build/stage, which every build of build/ copies again: do not build in
# build/ while a soak runs (a skin read during the copy is missing, and a check fails). SOAK_BUILD=DIR
# soaks from another build folder (configured here when it is new; the packages are those of build/), e.g.
# SOAK_BUILD=build-soak for a long run beside work that builds build/.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: $0 [HOURS_PER_SEED] [SEED...]" >&2
  echo "       $0 --total HOURS [--seeds N] [SEED...]" >&2
  exit 2
}
is_hours() { [[ "$1" =~ ^[0-9]+([.][0-9]+)?$ ]]; }
is_count() { [[ "$1" =~ ^[0-9]+$ ]] && [ "$1" -ge 1 ]; }

total=""
count=8
if [ "${1:-}" = "--total" ]; then
  [ $# -ge 2 ] && is_hours "$2" || usage
  total="$2"
  shift 2
  if [ "${1:-}" = "--seeds" ]; then
    [ $# -ge 2 ] && is_count "$2" || usage
    count="$2"
    shift 2
  fi
  seeds=("$@")
  if [ ${#seeds[@]} -eq 0 ]; then
    base=$(( $(date +%s) % 1000000 * 100 ))
    for ((i = 0; i < count; i++)); do seeds+=($((base + i))); done
  fi
  hours=$(awk -v t="$total" -v n="${#seeds[@]}" 'BEGIN { printf "%.3f", t / n }')
else
  hours="${1:-10}"
  shift || true
  seeds=("$@")
  [ ${#seeds[@]} -gt 0 ] || seeds=(1 2 3)
  is_hours "$hours" || usage
fi
for seed in "${seeds[@]}"; do [[ "$seed" =~ ^[0-9]+$ ]] || usage; done

build="${SOAK_BUILD:-build}"
if [ "$build" = build ]; then
  bash scripts/setup.sh >/dev/null  # the packages, and build/ configured and built
elif [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target vistrel-soak >/dev/null

started=$(date +%s)
if [ -z "$total" ]; then
  for seed in "${seeds[@]}"; do
    (cd "$build" && ./vistrel-soak --seed "$seed" --hours "$hours")
  done
  echo "all ${#seeds[@]} seeds passed, $hours device hours each, in $(( $(date +%s) - started )) s of wall time"
  exit 0
fi

echo "soaking $total device hours over ${#seeds[@]} seeds ($hours hours each): ${seeds[*]}"
rows=()
failed=()
for seed in "${seeds[@]}"; do
  log="$build/soak-seed-$seed.log"
  status=0
  (cd "$build" && ./vistrel-soak --seed "$seed" --hours "$hours") >"$log" 2>&1 || status=$?
  # "soaked H device hours (seed S): G gestures, C checks, wall time W s", or before a failure
  # "soaked H device hours, G gestures, C checks in W s before the failure".
  figures=$(sed -n 's/^soaked \([0-9.]*\) device hours[^:,]*[:,] \([0-9]*\) gestures, \([0-9]*\) checks[^0-9]*\([0-9.]*\) s.*/\1 \2 \3 \4/p' "$log" | head -n1)
  read -r soaked gestures checks wall <<<"${figures:-? ? ? ?}"
  if [ "$status" -eq 0 ]; then
    result="passed"
  else
    result="FAILED: $(sed -n 's/^FAILED: //p' "$log" | head -n1)"
    [ -f "$build/soak-failure-$seed.scn" ] && result="$result; reproducer $build/soak-failure-$seed.scn"
    failed+=("$seed")
  fi
  line=$(printf '%-12s %10s %10s %10s %9s  %s' "$seed" "$soaked" "$gestures" "$checks" "$wall" "$result")
  echo "$line"
  rows+=("$line")
done

echo
printf '%-12s %10s %10s %10s %9s  %s\n' seed "dev hours" gestures checks "wall s" result
printf '%s\n' "${rows[@]}"
printf '%s\n' "${rows[@]}" | awk -v elapsed="$(( $(date +%s) - started ))" '
  { h += $2; g += $3; c += $4 }
  END { printf "%-12s %10.3f %10d %10d %9d  (wall time of the whole run, s)\n", "all", h, g, c, elapsed }'
if [ ${#failed[@]} -gt 0 ]; then
  echo "seeds that broke an invariant: ${failed[*]} (logs: $build/soak-seed-SEED.log)" >&2
  exit 1
fi
echo "all ${#seeds[@]} seeds passed"
