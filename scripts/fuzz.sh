#!/usr/bin/env bash
# Builds the libFuzzer targets (build-fuzz/, clang with AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each one for SECONDS_PER_TARGET seconds (default 20), one after the other, on a fresh copy of
# its seed corpus in fuzz/corpus (which is never written to).
#
#   bash scripts/fuzz.sh [SECONDS_PER_TARGET]
#
# Environment: FUZZ_TARGETS="bmp registry" runs only those targets (default: all six);
# FUZZ_BUILD=DIR builds and runs the targets there (default: build-fuzz), so that a long run keeps its
# binaries while others build; FUZZ_WORK=DIR keeps the working corpora, logs and crash files there
# (default: $FUZZ_BUILD/fuzz-work);
# FUZZ_RUNS=N ends each target after N executions (or SECONDS_PER_TARGET, whichever comes first): the long
# run is FUZZ_BUILD=build-fuzz-long FUZZ_RUNS=10000000 nice -n 19 bash scripts/fuzz.sh 3600.
# Exits nonzero when a target finds a crash, a hang, a leak or a broken check; the input is kept and
# the command that reproduces it is printed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-20}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ] || ! [[ "${FUZZ_RUNS:-1}" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 [SECONDS_PER_TARGET]" >&2
  exit 2
fi
targets=(${FUZZ_TARGETS:-bmp registry translation library settings scenario})
build="${FUZZ_BUILD:-build-fuzz}"
work="${FUZZ_WORK:-$build/fuzz-work}"

# ---- What the build needs (Debian) ----
need=()
command -v clang++ >/dev/null 2>&1 || need+=(clang)
for p in cmake pkg-config libfreetype-dev libpng-dev fonts-dejavu-core fonts-wine; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
install() {
  [ $# -gt 0 ] || return 0
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$@"
}
install "${need[@]}"
major="$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n1)"
if ! echo 'int main(){}' | clang++ -x c++ -fsanitize=fuzzer -o /dev/null - >/dev/null 2>&1; then
  install "libclang-rt-${major}-dev"
fi

# ---- Build ----
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVISTREL_FUZZ=ON \
  -DVISTREL_TESTS=OFF -DVISTREL_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_all
# Every library of ours that the targets link carries the fuzzer's coverage counters: a library left out
# would hide its code from the fuzzer and from the sanitizers (vistrel_soak is linked by no target).
for library in $(find "$build" -name 'libvistrel_*.a' ! -name 'libvistrel_soak.a'); do
  if ! objdump -h "$library" | grep __sancov_cntrs >/dev/null; then  # grep -q would cut objdump short
    echo "fuzz.sh: $library is built without the fuzzer's instrumentation (see fuzz/CMakeLists.txt)" >&2
    exit 1
  fi
done

# Every function that fuzz/pixel-loops.ignorelist names is in the targets: one renamed, moved or inlined
# everywhere would silently put its per-pixel loops back under the coverage tracing.
symbols="$(for b in "$build"/fuzz/fuzz_*; do if [ -f "$b" ]; then nm "$b"; fi; done | awk '{print $NF}' | sort -u)"
while read -r pattern; do
  regex="^$(printf '%s' "$pattern" | sed 's/\$/\\$/g; s/\*/.*/g')\$"
  if ! grep -E "$regex" <<<"$symbols" >/dev/null; then
    echo "fuzz.sh: fuzz/pixel-loops.ignorelist names $pattern, which no target holds" >&2
    exit 1
  fi
done < <(sed -n 's/^fun://p' fuzz/pixel-loops.ignorelist)

# ---- Run ----
# Allocation and free stacks of 5 frames, not 30: the sanitizer records one for every allocation, which
# took a tenth of fuzz_library's time. A quarantine of 32 MB, not 256: freed memory is kept from reuse
# until 32 MB more have been freed after it, so a use after free is still caught within an input (the
# heaviest inputs of fuzz_library allocate under 4 MB, so at least the last eight are covered), while a long
# run no longer cycles through 256 MB that have long left the processor's caches (that made the
# allocator a fifth of fuzz_library's time in long runs). What is checked stays the same; the reproduce
# command printed below runs without these options and shows the whole stacks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1:malloc_context_size=5:quarantine_size_mb=32}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=()
summary=()
for t in "${targets[@]}"; do
  binary="$build/fuzz/fuzz_$t"
  seeds="fuzz/corpus/$t"
  if [ ! -x "$binary" ] || [ ! -d "$seeds" ]; then
    echo "unknown fuzz target '$t'" >&2
    exit 2
  fi
  dir="$work/$t"
  rm -rf "$dir/corpus"
  mkdir -p "$dir/corpus" "$dir/crashes"
  cp "$seeds"/* "$dir/corpus/"
  dict=()
  words="fuzz/$t.dict"
  [ "$t" = library ] && words="fuzz/translation.dict"  # the same language as the translation target
  [ -f "$words" ] && dict=(-dict="$words")
  runs=()
  [ -n "${FUZZ_RUNS:-}" ] && runs=(-runs="$FUZZ_RUNS")
  echo "== fuzz_$t: $seconds s"
  status=0
  # -reload=0: the corpus folder is this run's own, so there is nothing new to read back from it (by
  # default libFuzzer lists it every second for inputs that other processes wrote).
  "$binary" -max_total_time="$seconds" "${runs[@]}" -reload=0 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/crashes/" "${dict[@]}" "$dir/corpus" >"$dir/log" 2>&1 || status=$?
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -n1)"
  files="$(find "$dir/corpus" -type f | wc -l)"
  bytes="$(du -sb "$dir/corpus" | cut -f1)"
  line="fuzz_$t: ${executions:-?} executions (${rate:-?}/s), corpus $files files, $bytes bytes"
  if [ "$status" -ne 0 ]; then
    line="$line - FAILED (exit $status)"
    failed+=("$t")
    grep -E "ERROR|check failed|SUMMARY|Test unit written" "$dir/log" | head -n 20 || true
    for crash in "$dir"/crashes/*; do
      [ -f "$crash" ] && echo "reproduce: $binary $crash"
    done
    echo "log: $dir/log"
  fi
  echo "$line"
  summary+=("$line")
done

echo
echo "Fuzzing summary ($seconds s per target):"
printf '  %s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "targets with findings: ${failed[*]}" >&2
  exit 1
fi
