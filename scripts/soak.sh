#!/usr/bin/env bash
# Builds vistrel-soak (build/, RelWithDebInfo) and soaks the program on the simulated handheld: for each
# seed, HOURS hours of device time of random gestures with every invariant checked after each gesture.
#
#   bash scripts/soak.sh [HOURS_PER_SEED] [SEED...]      (defaults: 10 hours; seeds 1 2 3)
#
# Exits nonzero at the first seed that breaks an invariant; its shortest reproducer is printed and
# written to build/soak-failure-SEED.scn, a scenario that vistrel-sim replays
# (build/vistrel-soak --replay FILE replays it with the soak's checks).
set -euo pipefail
cd "$(dirname "$0")/.."

hours="${1:-10}"
shift || true
seeds=("$@")
[ ${#seeds[@]} -gt 0 ] || seeds=(1 2 3)
if ! [[ "$hours" =~ ^[0-9]+([.][0-9]+)?$ ]]; then
  echo "usage: $0 [HOURS_PER_SEED] [SEED...]" >&2
  exit 2
fi

bash scripts/setup.sh >/dev/null
cmake --build build -j2 --target vistrel-soak >/dev/null

started=$(date +%s)
for seed in "${seeds[@]}"; do
  (cd build && ./vistrel-soak --seed "$seed" --hours "$hours")
done
echo "all ${#seeds[@]} seeds passed, $hours device hours each, in $(( $(date +%s) - started )) s of wall time"
