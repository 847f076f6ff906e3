#!/usr/bin/env bash
# Builds everything and runs all tests:
#   1. the suite on the simulated handheld (GoogleTest through CTest, the example scenarios and a soak of
#      two hours of device time),
#   2. the Linux desktop program on a virtual X display (scripts/test-x11.sh),
#   3. each fuzz target for a short, bounded time (scripts/fuzz.sh),
#   4. the Windows program, cross-built and checked under Wine on a virtual display
#      (scripts/test-windows.sh).
# FUZZ_SECONDS sets the seconds per fuzz target (default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
ctest --test-dir build --output-on-failure -j2
bash scripts/test-x11.sh --no-build
bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
bash scripts/test-windows.sh
