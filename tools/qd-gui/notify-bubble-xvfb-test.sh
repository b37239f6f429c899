#!/usr/bin/env bash
# The program's own notice on a private X server, with real input (XTEST
# through xdotool): the user clicks into a text field, the notice comes up at
# the top right, the typing goes on into the field, and a click in the window
# takes the notice away. Exits 77 (skipped) only when no X server can start.
set -uo pipefail

qd_gui=${1:?usage: notify-bubble-xvfb-test.sh PATH-TO-qd-gui}

. "$(dirname "$0")/../xvfb-lib.sh"

command -v Xvfb >/dev/null || skip "Xvfb is not installed (tools/install-deps.sh installs it)"
command -v xdotool >/dev/null || fail "xdotool is missing (tools/install-deps.sh installs it)"

work=$(mktemp -d /tmp/quorin-notify-bubble.XXXXXX)
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
# Each await step holds the run until this script has done its input.
env -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS HOME="$home" XDG_CONFIG_HOME="$home/.config" \
  XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state" \
  XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 \
  "$qd_gui" drive notify-bubble -- state: "await:$work/clicked" \
  "notify:Your recordings have finished processing" state: "await:$work/typed" state: \
  "await:$work/away" wait:300 state: >"$work/out" 2>"$work/err" &
drive_pid=$!

# Waits for the Nth "state:" report and sets the report's values.
report() {
  local n=$1
  for _ in $(seq 200); do
    [[ $(grep -c '^bubble: ' "$work/out") -ge $n ]] && break
    kill -0 "$drive_pid" 2>/dev/null || fail "qd-gui ended early"
    sleep 0.1
  done
  [[ $(grep -c '^bubble: ' "$work/out") -ge $n ]] || fail "no report $n"
  bubble=$(grep '^bubble: ' "$work/out" | sed -n "${n}p")
  field=$(grep '^field: ' "$work/out" | sed -n "${n}p")
  focus=$(grep '^focus: ' "$work/out" | sed -n "${n}p")
  read -r _ spotx spoty < <(grep '^spot: ' "$work/out" | sed -n "${n}p")
  read -r _ fieldx fieldy < <(grep '^field-at: ' "$work/out" | sed -n "${n}p")
}

report 1
[[ $bubble == "bubble: hidden" ]] || fail "a notice before any was asked for: $bubble"
xdotool mousemove "$fieldx" "$fieldy" click 1
sleep 0.3
xdotool type --delay 30 "side "
touch "$work/clicked"

report 2
read -r _ _ bx by bw bh <<<"$bubble"
[[ $bubble == "bubble: shown "* ]] || fail "the notice did not show: $bubble"
# At the top right of the 1280-point screen, 20 points from its right edge.
((bx + bw <= 1280 && bx + bw >= 1240 && by < 100)) || fail "the notice is not at the top right: $bubble"
[[ $focus == "focus: yes" ]] || fail "the notice took the keyboard from the field"
xdotool type --delay 30 "one"
sleep 0.5
touch "$work/typed"

report 3
[[ $field == "field: side one" ]] || fail "the typing did not all reach the field: $field"
[[ $focus == "focus: yes" ]] || fail "the field lost the keyboard"
[[ $bubble == "bubble: shown "* ]] || fail "the notice went while the user typed: $bubble"
xdotool mousemove "$spotx" "$spoty" click 1
sleep 0.3
touch "$work/away"

report 4
[[ $bubble == "bubble: hidden" ]] || fail "a click in the window left the notice up: $bubble"
[[ $field == "field: side one" ]] || fail "the field changed: $field"

wait "$drive_pid"
drive_pid=
echo "PASS: the notice showed at the top right, the typing went on into the field, and a click took it away"
