#!/usr/bin/env bash
# Builds Vistrel and runs its tour on the simulated handheld (examples/tour.scn). The pictures go to
# shots/, and shots/index.html shows them in order, each with its caption (the comment of its shot line).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
tour=examples/tour.scn
state=build/tour-state.json
mkdir -p shots
rm -f shots/tour-*.png shots/index.html
if ! build/vistrel-sim "$tour" > "$state"; then
  echo "The tour stopped at the line named above; nothing more was shown." >&2
  exit 1
fi

escape() { local t=$1; t=${t//&/&amp;}; t=${t//</&lt;}; t=${t//>/&gt;}; printf '%s' "$t"; }
names=(); captions=()
while IFS= read -r line; do
  [[ $line =~ ^shot[[:space:]]+([^[:space:]#]+)[[:space:]]*(#[[:space:]]*(.*))?$ ]] || continue
  names+=("$(basename "${BASH_REMATCH[1]}")")
  captions+=("${BASH_REMATCH[3]}")
done < "$tour"

{
  echo '<!DOCTYPE html>'
  echo '<html lang="en"><head><meta charset="utf-8"><title>Vistrel: the tour</title>'
  echo '<style>body{font-family:sans-serif;margin:2em;background:#f4f4f4}figure{display:inline-block;'
  echo 'vertical-align:top;margin:0 1.5em 2em 0;max-width:640px}img{border:1px solid #999;max-width:100%}'
  echo 'figcaption{margin-top:.4em}</style></head><body>'
  echo '<h1>Vistrel: the tour on the simulated handheld</h1>'
  echo "<p>The pictures of <code>$tour</code>, in the order it took them.</p>"
  for i in "${!names[@]}"; do
    printf '<figure><img src="%s" alt="%s"><figcaption>%d. %s</figcaption></figure>\n' \
      "${names[$i]}" "$(escape "${captions[$i]}")" "$((i + 1))" "$(escape "${captions[$i]}")"
  done
  echo '</body></html>'
} > shots/index.html

echo
echo "Vistrel's tour ran on the simulated handheld and took ${#names[@]} pictures:"
for i in "${!names[@]}"; do
  printf '  %2d. %-34s %s\n' "$((i + 1))" "${names[$i]}" "${captions[$i]}"
done
echo "The pictures are in $(pwd)/shots/"
echo "To see them in order with their captions, open $(pwd)/shots/index.html"
echo "(The program's state at the tour's dump is kept in $(pwd)/$state.)"
