#!/usr/bin/env bash
# Builds Vistrel and runs its tour on the simulated handheld; screenshots go to shots/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
mkdir -p shots
cd shots
../build/vistrel-sim ../examples/tour.scn
echo "Screenshots written to $(pwd)"
