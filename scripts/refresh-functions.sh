#!/usr/bin/env bash
# Writes src/platform/x11/refresh-functions.txt: the program's functions that a refresh of the glass
# runs, by their symbol names, which the Linux build lays side by side in the program (a refresh then
# touches a few pages of code instead of dozens scattered over the whole program, each of them cold
# again after the sleep between refreshes). Run it again after a change to the refresh's path; a name
# that no longer exists is only left out of the layout.
#
# Each case of the benches' changing screen (160 and 499 pixels, smoothing off and on, correction at
# its middle and off) runs for a few seconds under callgrind, counted from after the start-up; the list
# is every function of the program seen in any of them, in the order first seen.
#
#   bash scripts/refresh-functions.sh [build/vistrel]     (needs valgrind, Xvfb, xdpyinfo, python3-tk)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
VISTREL=$(realpath "${1:-build/vistrel}")
[ -x "$VISTREL" ] || { echo "no program at $VISTREL" >&2; exit 1; }
command -v callgrind_control >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }
OUT=src/platform/x11/refresh-functions.txt

. scripts/bench-x11-display.sh
start_changes

for case in "160 0" "160 1" "499 0" "499 1"; do
  # shellcheck disable=SC2086
  write_settings $case
  valgrind --tool=callgrind --dump-instr=yes --demangle=no --compress-strings=no --callgrind-out-file="$WORK/calls.%p" \
    "$VISTREL" >/dev/null 2>&1 &
  pid=$!
  sleep 8
  callgrind_control -z "$pid" >/dev/null
  sleep 4
  callgrind_control -d "$pid" >/dev/null
  sleep 1
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
done

# The functions of the program in each dump taken after the counts were zeroed (the files ending in
# ".1"), in the order first seen.
python3 - "$VISTREL" "$WORK" "$OUT" <<'EOF'
import glob, re, sys
program, work, out = sys.argv[1:]
names = []
for dump in sorted(glob.glob(work + '/calls.*.1')):
    ob = None
    for line in open(dump, errors='replace'):
        if line.startswith('ob='):
            ob = line[3:].strip()
        # (functions laid out already are of an object of no name to valgrind)
        elif line.startswith('fn=') and ob in (program, '???'):
            name = line[3:].strip()
            # (main is only below every refresh on the stack; it runs once, from .text.startup)
            if name not in names and name != 'main' and re.fullmatch(r'[A-Za-z_][A-Za-z0-9_.$]*', name):
                names.append(name)
                # A constructor or destructor runs under its complete object's name (C1, D1), while
                # GCC puts the code in the section of the base object's (C2, D2), of which the other
                # is an alias: both are listed.
                base = re.sub(r'([CD])1E', r'\g<1>2E', name, count=1)
                if base != name and base not in names:
                    names.append(base)
with open(out, 'w') as f:
    f.write('# The functions a refresh of the glass runs, laid side by side in the Linux program; written by\n'
            '# scripts/refresh-functions.sh.\n')
    f.write(''.join(n + '\n' for n in names))
print(f'{len(names)} functions in {out}')
EOF
