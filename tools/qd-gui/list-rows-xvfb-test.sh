#!/usr/bin/env bash
# A list with check boxes on a private X server, worked with real pointer
# events (XTEST through xdotool): a click on a row's check box turns it on,
# and dragging the first row onto the fourth moves it there.
# Exits 77 (skipped) only when no X server can be started.
set -uo pipefail

qd_gui=${1:?usage: list-rows-xvfb-test.sh PATH-TO-qd-gui}

. "$(dirname "$0")/../xvfb-lib.sh"

command -v Xvfb >/dev/null || skip "Xvfb is not installed (tools/install-deps.sh installs it)"
command -v xdotool >/dev/null || fail "xdotool is missing (tools/install-deps.sh installs it)"

work=$(mktemp -d /tmp/quorin-list-rows.XXXXXX)
xvfb_pid=
drive_pid=
cleanup() {
  [[ -n $drive_pid ]] && kill -KILL "$drive_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

start_xvfb 1280x800x24

private_home
# The steps wait long enough for the pointer work below; the rows are
# printed when the wait is over.
env -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
  XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state" XDG_RUNTIME_DIR="$work/runtime" \
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 "$qd_gui" drive list-rows -- cells: wait:10000 rows: \
  >"$work/out" 2>"$work/err" &
drive_pid=$!

for _ in $(seq 150); do
  [[ $(grep -c '^cell: ' "$work/out") -ge 4 ]] && break
  kill -0 "$drive_pid" 2>/dev/null || fail "qd-gui ended early"
  sleep 0.1
done
[[ $(grep -c '^cell: ' "$work/out") -ge 4 ]] || fail "the list did not show its rows"
read -r _ _ check1x check1y _ _ < <(grep '^cell: 1 ' "$work/out")
read -r _ _ _ _ title0x title0y < <(grep '^cell: 0 ' "$work/out")
read -r _ _ _ _ title3x title3y < <(grep '^cell: 3 ' "$work/out")

# A click on the second row's check box.
xdotool mousemove "$check1x" "$check1y" click 1
sleep 0.5
# The first row dragged onto the fourth, in small steps as a hand moves.
xdotool mousemove "$title0x" "$title0y" mousedown 1
for step in $(seq 1 12); do
  xdotool mousemove "$title0x" $((title0y + (title3y - title0y) * step / 12))
  sleep 0.05
done
sleep 0.3
xdotool mouseup 1

wait "$drive_pid"
drive_pid=
expected="row: 0 [x] Side B.wav
row: 1 [ ] Side C.wav
row: 2 [ ] Side A.wav
row: 3 [ ] Side D.wav"
got=$(grep '^row: ' "$work/out")
[[ $got == "$expected" ]] || fail "rows after the clicks:
$got"
grep -q '^drop: 3$' "$work/out" || fail "no drop on the fourth row"
echo "PASS: the check box turned on a click and the dragged row moved"
