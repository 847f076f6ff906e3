# Sourced by the X11 benches: a work folder removed on exit with every process listed in PIDS, a
# virtual display of its own (Xvfb 1024 x 768 x 24, its pid in XVFB; started through the command in
# XVFB_THROUGH when that is set) and an empty settings folder.
WORK=$(mktemp -d)
PIDS=()
cleanup() { for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$WORK"; }
trap cleanup EXIT
N=81
while [ -e /tmp/.X11-unix/X$N ] || [ -e /tmp/.X$N-lock ]; do N=$((N + 1)); done
export DISPLAY=:$N
${XVFB_THROUGH:-} Xvfb ":$N" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
PIDS+=($XVFB)
for _ in $(seq 300); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export XDG_CONFIG_HOME=$WORK/config HOME=$WORK/home
mkdir -p "$XDG_CONFIG_HOME/vistrel" "$HOME"
unset XDG_RUNTIME_DIR

# The settings every bench starts the glass with: WindowSize $1 (the zoom point at (600, 300), zoom 4,
# correction at its middle, no animation, no sound), SmoothImg $2.
write_settings() {
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvane group\\Vistrel]\r\n"RectLU"=dword:00640064\r\n"WindowSize"=dword:%08x\r\n"ZoomX"=dword:40800000\r\n"ZoomPnt"=dword:012c0258\r\n"SmoothImg"=dword:%08x\r\n"Bright"=dword:3f000000\r\n"Contrast"=dword:3f000000\r\n"ShowAnim"=dword:00000000\r\n"PlaySound"=dword:00000000\r\n' \
  "$1" "$2" >"$XDG_CONFIG_HOME/vistrel/settings.reg"
}

HZ=$(getconf CLK_TCK)
# A process's time on a processor so far, in nanoseconds: the sum over its threads' schedstat, else its
# clock ticks.
cpu_ns() {
  local total
  total=$(cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{t += $1} END{if (NR) printf "%.0f", t}')
  if [ -z "$total" ]; then
    total=$(awk -v hz="$HZ" '{printf "%.0f", ($14 + $15) * 1e9 / hz}' "/proc/$1/stat" 2>/dev/null || echo 0)
  fi
  echo "${total:-0}"
}

# The changing screen: a window of the bench's own under the source area (120 x 120 at 600, 240) that
# changes colour every 100 ms while CHANGER (its pid, also in PIDS) runs.
CHANGER=""
start_changes() {
  python3 -c '
import tkinter as tk
root = tk.Tk(); root.overrideredirect(True); root.geometry("120x120+600+240")
colours = ["#203050", "#503020"]; turn = [0]
def step():
    turn[0] ^= 1; root.configure(bg=colours[turn[0]]); root.after(100, step)
step(); root.mainloop()' >/dev/null 2>&1 &
  CHANGER=$!
  PIDS+=($CHANGER)
  sleep 1
}
stop_changes() { kill "$CHANGER" 2>/dev/null; wait "$CHANGER" 2>/dev/null; CHANGER=""; }
