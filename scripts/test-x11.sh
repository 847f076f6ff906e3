#!/usr/bin/env bash
# Checks vistrel, the Linux desktop program, on a virtual X display through the real X server: it starts
# with its three windows made, hidden and undecorated; a tray host from Debian (trayer) receives its icon
# and a tap on the icon shows the glass; a pattern of our own appears magnified at the zoom the settings
# ask for; a drag on the bottom strip zooms in; a second copy exits 0 at once; the settings sheet opens
# and its OK closes it; a move drag shows its frame, and it and a tape measurement leave no trace on the
# screen; Close writes the 18 settings, which a second start (without a tray: the glass comes up at once)
# reads back, and SIGTERM (a session's end) keeps them too; cmake --install and the Debian package
# install it with its German translation, and with LANG=de_DE.UTF-8 the packaged program speaks German; under a compositing manager (picom) the move
# frame, the tape line and the locator ring show and leave no trace, and Ctrl+C on the colour picker
# offers its colour on the X clipboard (read back with xclip); while the tape and the picker aim, the
# server shows their cursors as drawn (read back by build/vistrel-cursor-probe).
#
#   bash scripts/test-x11.sh [--no-build]
#
# Prints one line per check ("ok: ..." or "FAILED: ...") and exits nonzero when one fails. The
# screenshots stay in build/x11-shots/. Xvfb, the tray, the compositing manager and the program are
# started here and stopped on every way out. XVFB_ARGS adds arguments to Xvfb (for instance
# "-extension MIT-SHM" to check the program without shared memory).
# Run as root (as in CI), the Debian package is installed with apt-get, run from /usr/bin and purged
# again (skipped when a vistrel package is installed already); otherwise it is unpacked with dpkg-deb
# and run from there.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
ROOT=$PWD
BUILD=${VISTREL_X11_BUILD:-$ROOT/build}  # another build folder to check, e.g. build-sanitized
VISTREL=$BUILD/vistrel
PROBE=$BUILD/vistrel-cursor-probe  # prints the cursor the X server shows
SHOTS=$BUILD/x11-shots
BUILD_FIRST=1
[ "${1:-}" = "--no-build" ] && BUILD_FIRST=0

need=()
for p in xvfb xdotool trayer picom xclip imagemagick x11-utils x11-xserver-utils libx11-dev libxext-dev libxrandr-dev libxfixes-dev; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
fi
if [ $BUILD_FIRST = 1 ]; then
  if [ -f "$BUILD/CMakeCache.txt" ]; then cmake -S . -B "$BUILD" >/dev/null  # finds libraries installed since
  else cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null; fi
  cmake --build "$BUILD" --target vistrel vistrel-cursor-probe -j2 >/dev/null || { echo "FAILED: building vistrel"; exit 1; }
fi
[ -x "$VISTREL" ] || { echo "FAILED: $VISTREL is missing (are libx11-dev and libxext-dev installed?)"; exit 1; }

WORK=$(mktemp -d)
rm -rf "$SHOTS"; mkdir -p "$SHOTS"
PIDS=()
cleanup() {
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do kill "${PIDS[i]}" 2>/dev/null; done  # the X server last
  wait 2>/dev/null
  cp "$WORK"/run*.log "$SHOTS"/ 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

FAILURES=0
ok() { echo "ok: $1"; }
fail() { echo "FAILED: $1"; FAILURES=$((FAILURES + 1)); }
check() { if eval "$2"; then ok "$1"; else fail "$1"; return 1; fi; }

# A free display number.
N=71
while [ -e /tmp/.X11-unix/X$N ] || [ -e /tmp/.X$N-lock ]; do N=$((N + 1)); done
export DISPLAY=:$N
Xvfb ":$N" -screen 0 1024x768x24 -nolisten tcp ${XVFB_ARGS:-} >"$WORK/xvfb.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "FAILED: Xvfb did not start"; exit 1; }

export XDG_CONFIG_HOME=$WORK/config
unset XDG_RUNTIME_DIR  # no sound server: the program stays silent
SETTINGS=$XDG_CONFIG_HOME/vistrel/settings.reg
mkdir -p "$(dirname "$SETTINGS")"
# The glass at (200, 200), 256 pixels, zoom 4 without smoothing, looking at (600, 300); no animation.
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvane group\\Vistrel]\r\n"RectLU"=dword:00c800c8\r\n"WindowSize"=dword:00000100\r\n"ZoomX"=dword:40800000\r\n"ZoomPnt"=dword:012c0258\r\n"SmoothImg"=dword:00000000\r\n"ShowAnim"=dword:00000000\r\n"PlaySound"=dword:00000000\r\n' >"$SETTINGS"

# Our own pattern on the screen: grey with a red 10 x 10 square around the zoom point.
convert -size 1024x768 xc:'#808080' -fill red -draw 'rectangle 595,295 604,304' "$WORK/pattern.png"
display -geometry +0+0 -borderwidth 0 "$WORK/pattern.png" &
PIDS+=($!)
xdotool search --sync --name 'pattern.png' >/dev/null 2>&1
sleep 0.5

wait_until() {  # seconds, condition
  local tries=$(( $1 * 10 ))
  for _ in $(seq "$tries"); do eval "$2" && return 0; sleep 0.1; done
  return 1
}
glass_ids() { xdotool search --classname '^vistrel$' 2>/dev/null; }
window_state() { xwininfo -id "$1" 2>/dev/null | sed -n 's/.*Map State: //p'; }
geometry() { xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'; }
glass() {  # the glass: the program's 256-pixel-high window
  for id in $(glass_ids); do
    set -- $(geometry "$id")
    [ "${4:-0}" -ge 200 ] && [ "${3:-0}" -ge 200 ] && [ "$(xwininfo -id "$id" | grep -c 'Vistrel settings\|Vistrel-Einstellungen')" = 0 ] && { echo "$id"; return; }
  done
}
red_pixels() {  # in the given rectangle of a screenshot
  convert "$1" -crop "$4x$5+$2+$3" +repage -fill black +opaque red -fill white -opaque red \
    -format '%[fx:round(mean*w*h)]' info:
}
shot() { import -window root "$SHOTS/$1.png"; }
menu_item() {  # opens the menu with a right tap on the glass and picks the Nth item with the keys
  local g; read -r gx gy gw gh <<<"$(geometry "$(glass)")"
  xdotool mousemove $((gx + gw / 2)) $((gy + gh / 2)) click 3
  sleep 0.5
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
  sleep 0.5
}

# ---- 1. Start with a tray ----
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
TRAYER=$!
PIDS+=($TRAYER)
wait_until 10 'xdotool search --classname "^trayer$" >/dev/null 2>&1'
sleep 0.5
"$VISTREL" >"$WORK/run1.log" 2>&1 &
VPID=$!
PIDS+=($VPID)
wait_until 10 '[ "$(glass_ids | wc -l)" -ge 3 ]'
check "three windows are made" '[ "$(glass_ids | wc -l)" = 3 ]'
hidden=0; undecorated=0
for id in $(glass_ids); do
  [ "$(window_state "$id")" = IsUnMapped ] && hidden=$((hidden + 1))
  xwininfo -id "$id" | grep -q 'Override Redirect State: yes' && undecorated=$((undecorated + 1))
done
check "the three windows are hidden at start" '[ $hidden = 3 ]'
check "the three windows are undecorated, placed by the program" '[ $undecorated = 3 ]'

ICON=$(xdotool search --classname '^vistrel-tray$' 2>/dev/null | head -1)
docked=0
if [ -n "$ICON" ]; then
  wait_until 5 '[ "$(xwininfo -id "$ICON" -tree | sed -n "s/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p")" != "$(xwininfo -root | sed -n "s/.*Window id: \(0x[0-9a-f]*\).*/\1/p")" ]' && docked=1
fi
check "the tray host receives the icon" '[ $docked = 1 ]'
sleep 0.5
shot before

xdotool mousemove --window "$ICON" 12 11 click 1
wait_until 5 '[ -n "$(glass)" ] && [ "$(window_state "$(glass)")" = IsViewable ]'
GLASS=$(glass)
check "a tap on the tray icon shows the glass" '[ -n "$GLASS" ] && [ "$(window_state "$GLASS")" = IsViewable ]'
read -r GX GY GW GH <<<"$(geometry "$GLASS")"
check "the glass stands where the settings put it (200, 200, 256 x 256)" '[ "$GX $GY $GW $GH" = "200 200 256 256" ]'

# ---- 2. The pattern, magnified ----
sleep 0.5
shot glass
RED=$(red_pixels "$SHOTS/glass.png" "$GX" "$GY" "$GW" "$GH")
check "the red square shows 4 times as wide and high in the glass ($RED of 1600 pixels)" '[ "$RED" -ge 1500 ] && [ "$RED" -le 1700 ]'

# ---- 3. A drag on the bottom strip zooms in ----
xdotool mousemove $((GX + 180)) $((GY + GH - 12)) mousedown 1
for step in $(seq 1 8); do xdotool mousemove $((GX + 180 - step * 8)) $((GY + GH - 12)); sleep 0.05; done
xdotool mouseup 1
sleep 0.6
shot zoomed
ZOOMED=$(red_pixels "$SHOTS/zoomed.png" "$GX" "$GY" "$GW" "$GH")
check "a drag to the left on the bottom strip zooms in ($ZOOMED red pixels, were $RED)" '[ "$ZOOMED" -gt $((RED * 3 / 2)) ]'

# ---- 4. A second copy ----
timeout 10 "$VISTREL" >/dev/null 2>&1
SECOND=$?
check "a second copy exits 0 at once" '[ $SECOND = 0 ]'
check "the second copy made no window" '[ "$(glass_ids | wc -l)" = 3 ]'

# ---- 5. The settings sheet ----
menu_item 5
SHEET=$(xdotool search --name '^Vistrel settings$' 2>/dev/null | head -1)
check "\"Settings...\" opens the settings sheet" '[ -n "$SHEET" ] && [ "$(window_state "$SHEET")" = IsViewable ]'
if [ -n "$SHEET" ]; then
  shot sheet
  read -r SX SY SW SH <<<"$(geometry "$SHEET")"
  xdotool mousemove $((SX + SW - 12)) $((SY + 9)) click 1  # the caption's "ok"
  sleep 0.5
  check "its OK closes it" '! xwininfo -id "$SHEET" >/dev/null 2>&1 || [ "$(window_state "$SHEET")" != IsViewable ]'
fi
shot after-menu
crop() { convert "$SHOTS/$1.png" -crop "${GW}x${GH}+${GX}+${GY}" +repage "$WORK/$1-glass.png"; }
crop zoomed; crop after-menu
LEFT=$(compare -metric AE "$WORK/zoomed-glass.png" "$WORK/after-menu-glass.png" null: 2>&1)
check "the menu and the sheet leave the glass as it was ($LEFT pixels differ)" '[ "$LEFT" = 0 ]'

# ---- 6. A move drag and a tape measurement leave no trace ----
move_drag() {  # label [command]: drags the glass by (60, 40); prints how many screen pixels the frame changed meanwhile
  local g; read -r gx gy _ _ <<<"$(geometry "$GLASS")"
  shot "$1-still"
  xdotool mousemove $((gx + 150)) $((gy + 90)) mousedown 1
  xdotool mousemove $((gx + 151)) $((gy + 91))  # the move starts at the first motion
  for step in $(seq 1 10); do xdotool mousemove $((gx + 151 + step * 6)) $((gy + 91 + step * 4)); sleep 0.05; done
  sleep 0.3
  ${2:-}  # e.g. something that makes a compositing manager paint the whole screen again
  sleep 0.2
  shot "$1-frame"
  xdotool mouseup 1
  sleep 0.5
  compare -metric AE "$SHOTS/$1-still.png" "$SHOTS/$1-frame.png" null: 2>&1
}
shown_tool() {  # width: the shown tool window that wide (the tape 225, the colour picker 200)
  local id w h
  for id in $(glass_ids); do
    read -r _ _ w h <<<"$(geometry "$id")"
    [ "$(window_state "$id")" = IsViewable ] && [ "$h" -lt 100 ] && [ "$w" = "$1" ] && echo "$id"
  done
}
shown_cursor() {  # label art: notes whether the cursor shown now is the program's cursor of that art file
  local want
  want=$(awk '/^cursor/{print} p{print} /^picture/{p=1}' "$ROOT/src/resources/art/$2.txt")
  "$PROBE" >"$SHOTS/$1-cursor.txt" 2>&1
  [ "$(cat "$SHOTS/$1-cursor.txt")" = "$want" ] && echo "$2" >"$SHOTS/$1-cursor-ok"
}
tape_line() {  # label: shows the tape, aims and fixes the first point with the tape key, prints the line's points seen
  local tape
  tape=$(shown_tool 225)
  [ -n "$tape" ] || { menu_item 3; tape=$(shown_tool 225); }  # "Show/hide tape"
  [ -n "$tape" ] || { echo "no tape"; return; }
  read -r TX TY TW TH <<<"$(geometry "$tape")"
  xdotool mousemove $((TX + 10)) $((TY + TH / 2)) mousedown 1  # aim from the tape's square ...
  xdotool mousemove $((TX + 11)) $((TY + TH / 2 + 1))
  sleep 0.1
  xdotool mousemove 600 500
  sleep 0.3
  shown_cursor "$1" Tape  # the tape's own cursor while it aims
  xdotool key super+F9  # ... the tape key (the global grab) fixes the first point ...
  sleep 0.3
  for step in $(seq 1 10); do xdotool mousemove $((600 + step * 20)) $((500 + step * 15)); sleep 0.06; done
  sleep 0.3
  shot "$1-measuring"  # ... and a line runs from it to the pointer
  local on=0 j red  # the white pen's XOR turns the grey (128) to 127 on the line's points
  for j in $(seq 1 9); do
    red=$(convert "$SHOTS/$1-measuring.png" -format "%[fx:round(255*p{$((600 + j * 20)),$((500 + j * 15))}.r)]" info:)
    [ "$red" = 127 ] && on=$((on + 1))
  done
  xdotool mouseup 1  # lifting ends the measurement
  sleep 0.5
  echo "$on"
}
locator_ring() {  # label: Alt+z on the focused glass; prints the most pixels the ring changed and those left after
  shot "$1-before"
  xdotool key alt+z
  local ring=0 n changed  # the ring flashes on and off: the most it changed in a few shots while it runs
  for n in 1 2 3 4 5 6; do
    shot "$1-during"
    changed=$(compare -metric AE "$SHOTS/$1-before.png" "$SHOTS/$1-during.png" null: 2>&1)
    [ "$changed" -gt "$ring" ] 2>/dev/null && ring=$changed
  done
  # The flash ends after 29 ticks of the glass's 40 ms tick (about 1.2 s), later on a loaded machine:
  # what is left is what still differs once it has had ten seconds to end.
  local left
  for n in $(seq 20); do
    sleep 0.5
    shot "$1-after"
    left=$(compare -metric AE "$SHOTS/$1-before.png" "$SHOTS/$1-after.png" null: 2>&1)
    [ "$left" = 0 ] && break
  done
  echo "$ring $left"
}
FRAME=$(move_drag move)
read -r MX MY _ _ <<<"$(geometry "$GLASS")"
check "a move drag shows its frame ($FRAME pixels) and moves the glass by (60, 40)" \
  '[ "$FRAME" -gt 300 ] && [ "$MX $MY" = "$((GX + 60)) $((GY + 40))" ]'
ON_LINE=$(tape_line tape)
check "the tape key fixes the first point and a line runs to the pointer ($ON_LINE of 9 points on it)" '[ "$ON_LINE" = 9 ]'
check "while the tape aims, the X server shows its cursor, as drawn (the probe: $SHOTS/tape-cursor.txt)" \
  '[ -f "$SHOTS/tape-cursor-ok" ]'
# Another keyboard layout puts F9 on another key: the tape key's grab follows it.
xmodmap -pke >"$WORK/keymap"
F9_CODE=$(awk '$4 == "F9" {print $2; exit}' "$WORK/keymap")
xmodmap -e "keycode $F9_CODE = F13" -e "keycode 200 = F9"
sleep 0.5
ON_LINE=$(tape_line remapped-tape)
xmodmap "$WORK/keymap"
check "with F9 moved to another key by the key map, the tape key still fixes the first point ($ON_LINE of 9 points)" \
  '[ "$ON_LINE" = 9 ]'
xdotool mousemove --window "$ICON" 12 11 click 1  # hides the glass and its tools
wait_until 5 '[ "$(window_state "$GLASS")" = IsUnMapped ]'
sleep 0.5
shot after
TRACE=$(compare -metric AE "$SHOTS/before.png" "$SHOTS/after.png" null: 2>&1)
check "the screen equals the one before the glass came up ($TRACE pixels differ)" '[ "$TRACE" = 0 ]'

# ---- 7. Close writes the settings; a second start reads them back ----
xdotool mousemove --window "$ICON" 12 11 click 1
wait_until 5 '[ "$(window_state "$GLASS")" = IsViewable ]'
sleep 0.3
menu_item 6  # "Close"
wait_until 10 '! kill -0 $VPID 2>/dev/null'
wait $VPID 2>/dev/null
CODE=$?
check "Close ends the program with exit code 0" '[ $CODE = 0 ]'
VALUES=$(grep -c '^"' "$SETTINGS")
check "Close writes the 18 settings ($VALUES values)" '[ "$VALUES" = 18 ]'
RECT=$(sed -n 's/^"RectLU"=dword:\(.*\)\r\?$/\1/p' "$SETTINGS" | tr -d '\r')
check "the moved glass's corner is kept ($RECT)" '[ "$RECT" = "$(printf "%04x%04x" $((GY + 40)) $((GX + 60)))" ]'
kill "$TRAYER" 2>/dev/null  # the tray goes
wait_until 5 '! xdotool search --classname "^trayer$" >/dev/null 2>&1'
"$VISTREL" >"$WORK/run2.log" 2>&1 &
VPID=$!
PIDS+=($VPID)
wait_until 10 '[ -n "$(glass)" ] && [ "$(window_state "$(glass)")" = IsViewable ]'
GLASS=$(glass)
check "without a tray the glass comes up at start" '[ -n "$GLASS" ] && [ "$(window_state "$GLASS")" = IsViewable ]'
check "a second start reads the settings back (the glass at $((GX + 60)), $((GY + 40)))" \
  '[ "$(geometry "$GLASS")" = "$((GX + 60)) $((GY + 40)) 256 256" ]'
menu_item 6
wait_until 10 '! kill -0 $VPID 2>/dev/null'
check "a right tap on the glass reaches the menu, whose Close ends the program" '! kill -0 $VPID 2>/dev/null'
# The session's end (here SIGTERM, as a session or service manager sends it) ends the program as a
# log-off does: what Close would keep is kept. The file is taken away first, so only that can write it.
"$VISTREL" >"$WORK/run2b.log" 2>&1 &
VPID=$!
PIDS+=($VPID)
wait_until 10 '[ -n "$(glass)" ] && [ "$(window_state "$(glass)")" = IsViewable ]'
rm -f "$SETTINGS"
kill -TERM $VPID
wait_until 10 '! kill -0 $VPID 2>/dev/null'
wait $VPID 2>/dev/null
CODE=$?
VALUES=$(grep -c '^"' "$SETTINGS" 2>/dev/null)
check "SIGTERM ends the program (exit code $CODE) keeping the 18 settings ($VALUES values)" \
  '[ $CODE = 0 ] && [ "$VALUES" = 18 ] && grep -q "^\"RectLU\"=dword:$RECT" "$SETTINGS"'

# ---- 8. cmake --install and the Debian package; German ----
cmake --install "$BUILD" --prefix "$WORK/prefix" >/dev/null 2>&1
check "cmake --install puts the program, its data, the German translation, the menu entry and the icon in place" \
  '[ -x "$WORK/prefix/bin/vistrel" ] && [ -f "$WORK/prefix/share/vistrel/Skins/VezoZevode.bmp" ] && [ -f "$WORK/prefix/share/vistrel/translations/German/Localize.dll" ] && [ -f "$WORK/prefix/share/applications/vistrel.desktop" ] && [ -f "$WORK/prefix/share/icons/hicolor/32x32/apps/vistrel.xpm" ]'
rm -f "$BUILD"/vistrel_*_amd64.deb
(cd "$BUILD" && cpack >"$WORK/cpack.log" 2>&1)
DEB=$(ls "$BUILD"/vistrel_*_amd64.deb 2>/dev/null | head -1)
DEPENDS=$(dpkg-deb -f "$DEB" Depends 2>/dev/null)
check "cpack makes the Debian package, depending on the libraries the program links ($DEPENDS)" \
  '[ -n "$DEB" ] && [[ "$DEPENDS" == *libx11-6* ]] && [[ "$DEPENDS" == *libxext6* ]] && [[ "$DEPENDS" == *libfreetype6* ]]' ||
  tail -5 "$WORK/cpack.log"
APT=0  # as root (as in CI) the package is installed with apt and removed again; else unpacked here
if [ -n "$DEB" ] && [ "$(id -u)" = 0 ] && ! dpkg -s vistrel >/dev/null 2>&1; then
  exec 9>/tmp/vistrel-test-x11-deb.lock  # one copy of this test at a time owns /usr/bin/vistrel
  flock -w 300 9
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=300 "$DEB" >"$WORK/apt.log" 2>&1
  check "apt-get installs the package" '[ -x /usr/bin/vistrel ] && dpkg -s vistrel >/dev/null 2>&1' || tail -5 "$WORK/apt.log"
  APT=1
  PREFIX=/usr
elif [ -n "$DEB" ]; then
  dpkg-deb -x "$DEB" "$WORK/deb"
  PREFIX=$WORK/deb/usr
fi
if [ -n "$DEB" ]; then
  # A stand-in for the desktop's browser that notes what it was asked to open.
  mkdir -p "$WORK/bin"
  printf '#!/bin/sh\necho "$1" >"%s/opened"\n' "$WORK" >"$WORK/bin/xdg-open"
  chmod +x "$WORK/bin/xdg-open"
  (cd / && PATH="$WORK/bin:$PATH" LANG=de_DE.UTF-8 LC_ALL= LC_MESSAGES= LANGUAGE= "$PREFIX/bin/vistrel") >"$WORK/run3.log" 2>&1 &
  VPID=$!
  PIDS+=($VPID)
  wait_until 10 '[ -n "$(glass)" ] && [ "$(window_state "$(glass)")" = IsViewable ]'
  GLASS=$(glass)
  check "the packaged program starts from $PREFIX/bin" '[ -n "$GLASS" ]'
  if [ -n "$GLASS" ]; then
    TITLE=$(xwininfo -id "$GLASS" | sed -n 's/.*Window id: 0x[0-9a-f]* "\(.*\)"$/\1/p')
    check "with LANG=de_DE.UTF-8 its texts are German (the glass: \"$TITLE\")" '[ "$TITLE" = Bildschirmlupe ]'
    menu_item 5
    SHEET=$(xdotool search --name '^Vistrel-Einstellungen$' 2>/dev/null | head -1)
    check "the settings sheet is German (\"Vistrel-Einstellungen\")" '[ -n "$SHEET" ]'
    if [ -n "$SHEET" ]; then
      read -r SX SY SW SH <<<"$(geometry "$SHEET")"
      xdotool mousemove $((SX + SW - 12)) $((SY + 9)) click 1  # the caption's "ok"
      sleep 0.5
    fi
    read -r GX GY GW GH <<<"$(geometry "$GLASS")"
    xdotool mousemove $((GX + GW / 2)) $((GY + 30)) click 1  # the glass takes the keyboard focus
    sleep 0.3
    xdotool key F1
    wait_until 5 '[ -f "$WORK/opened" ]'
    check "F1 opens the packaged German help in the desktop's browser ($(cat "$WORK/opened" 2>/dev/null))" \
      '[ "$(cat "$WORK/opened" 2>/dev/null)" = "file://$PREFIX/share/vistrel/translations/German/Deutsch/Help/Index.htm#Main_Contents" ]'
    read -r RING TRACE <<<"$(locator_ring locator)"
    check "Alt+z flashes the locator ring ($RING pixels) and leaves no trace ($TRACE pixels)" \
      '[ "$RING" -gt 100 ] && [ "$TRACE" = 0 ]'
    xdotool key Escape
    wait_until 5 '[ "$(window_state "$GLASS")" = IsUnMapped ]'
    check "Escape hides the glass" '[ "$(window_state "$GLASS")" = IsUnMapped ]'
    kill $VPID 2>/dev/null
  fi
  wait_until 10 '! kill -0 $VPID 2>/dev/null'
fi
if [ $APT = 1 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -q -o DPkg::Lock::Timeout=300 vistrel >>"$WORK/apt.log" 2>&1
  check "apt-get removes it again" '[ ! -e /usr/bin/vistrel ] && [ ! -d /usr/share/vistrel ] && ! dpkg -s vistrel >/dev/null 2>&1'
  flock -u 9
fi

# ---- 9. Under a compositing manager the figures show and leave no trace; the clipboard ----
# picom paints the whole screen again at every change, as compositing managers on graphics hardware do,
# so what is drawn on the root window is gone at the next change; xrefresh makes one during the move.
picom --config /dev/null --backend xrender --no-use-damage >"$WORK/compositor.log" 2>&1 &
PIDS+=($!)
sleep 0.5
shot composited-before
"$VISTREL" >"$WORK/run4.log" 2>&1 &
VPID=$!
PIDS+=($VPID)
wait_until 10 '[ -n "$(glass)" ] && [ "$(window_state "$(glass)")" = IsViewable ]'
GLASS=$(glass)
if [ -n "$GLASS" ]; then
  FRAME=$(move_drag composited-move xrefresh)
  check "under a compositing manager a move drag shows its frame ($FRAME pixels)" '[ "$FRAME" -gt 300 ]'
  ON_LINE=$(tape_line composited-tape)
  check "under a compositing manager the tape line shows ($ON_LINE of 9 points on it)" '[ "$ON_LINE" = 9 ]'
  # The clipboard: the picker aims at the red square, Ctrl+C copies its colour for other programs.
  PICKER=$(shown_tool 200)
  [ -n "$PICKER" ] || { menu_item 2; PICKER=$(shown_tool 200); }  # "Show/hide color"
  if [ -n "$PICKER" ]; then
    read -r PX PY _ PH <<<"$(geometry "$PICKER")"
    xdotool mousemove $((PX + 10)) $((PY + PH / 2)) mousedown 1
    xdotool mousemove $((PX + 11)) $((PY + PH / 2 + 1))
    sleep 0.1
    xdotool mousemove 600 300
    sleep 0.3
    shown_cursor picker ColorPicker
    xdotool mouseup 1
    sleep 0.3
    xdotool key ctrl+c
    sleep 0.3
  fi
  CLIP=$(timeout 5 xclip -o -selection clipboard 2>/dev/null)
  LATIN=$(timeout 5 xclip -o -selection clipboard -t STRING 2>/dev/null)
  TARGETS=$(timeout 5 xclip -o -selection clipboard -t TARGETS 2>/dev/null | tr '\n' ' ')
  check "Ctrl+C on the colour picker offers the colour to other programs ($CLIP; $TARGETS)" \
    '[ "$CLIP" = "#FF0000" ] && [ "$LATIN" = "#FF0000" ] && [[ " $TARGETS" == *" UTF8_STRING "* ]] && [[ " $TARGETS" == *" STRING "* ]]'
  check "while the colour picker aims, the X server shows its cursor, as drawn" '[ -f "$SHOTS/picker-cursor-ok" ]'
  read -r GX GY GW GH <<<"$(geometry "$GLASS")"
  xdotool mousemove $((GX + GW / 2)) $((GY + 30)) click 1  # the glass takes the keyboard focus
  sleep 0.3
  read -r RING TRACE <<<"$(locator_ring composited-locator)"
  check "under a compositing manager Alt+z flashes the locator ring ($RING pixels, $TRACE left)" \
    '[ "$RING" -gt 100 ] && [ "$TRACE" = 0 ]'
  xdotool key Escape
  wait_until 5 '[ "$(window_state "$GLASS")" = IsUnMapped ]'
  sleep 0.5
  shot composited-after
  TRACE=$(compare -metric AE "$SHOTS/composited-before.png" "$SHOTS/composited-after.png" null: 2>&1)
  check "under a compositing manager the screen equals the one before ($TRACE pixels differ)" '[ "$TRACE" = 0 ]'
else
  fail "the program starts under a compositing manager"
fi
kill $VPID 2>/dev/null
wait_until 10 '! kill -0 $VPID 2>/dev/null'

if [ $FAILURES -gt 0 ]; then
  echo "$FAILURES check(s) failed; screenshots in $SHOTS"
  exit 1
fi
echo "all X11 checks passed; screenshots in $SHOTS"
