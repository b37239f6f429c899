#!/usr/bin/env bash
# Starts the real program under a real window manager on a private X server
# (1280x800) and works it with real keys and clicks (XTEST through xdotool):
# the first-start wizard, Preferences, About, Burn Audio (and its Erase Now),
# the ID Tag dialog. Each window's body must be drawn on the screen (a grab
# of the root window, not uniform and not black), each dialog must be
# transient for the main window (WM_TRANSIENT_FOR) and stand over it, the
# main window's frame must lie inside the work area (_NET_WORKAREA), its
# status bar must be drawn after a minimise and restore, and Hide Quorin must
# take every window away until the program is started again.
#   wm_windows_test.sh PATH-TO-quorin openbox|xfwm4
# xfwm4 runs with its compositor on. Exits 77 (skipped) only when the X
# server or the window manager cannot start.
set -uo pipefail

program=${1:?usage: wm_windows_test.sh PATH-TO-quorin openbox|xfwm4}
wm=${2:?usage: wm_windows_test.sh PATH-TO-quorin openbox|xfwm4}

. "$(dirname "$0")/../../../tools/xvfb-lib.sh"

command -v Xvfb >/dev/null || skip "Xvfb is not installed (tools/install-deps.sh installs it)"
command -v "$wm" >/dev/null || skip "$wm is not installed (tools/install-deps.sh installs it)"
for tool in xdotool xprop xwininfo import sox lame python3; do
  command -v "$tool" >/dev/null || fail "$tool is missing (tools/install-deps.sh installs it)"
done
[[ -x $program ]] || fail "no program at $program"

work=$(mktemp -d /tmp/quorin-wm-test.XXXXXX)
[[ -n ${KEEP_WORK:-} ]] && echo "work: $work"
xvfb_pid=
wm_pid=
app_pid=
cleanup() {
  [[ -n $app_pid ]] && kill -KILL "$app_pid" 2>/dev/null
  [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  [[ -n ${KEEP_WORK:-} ]] || rm -rf "$work"
}
trap cleanup EXIT

start_xvfb 1280x800x24
private_home

# True when some client owns the compositing manager selection of screen 0.
compositing() {
  python3 - <<'EOF'
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XGetSelectionOwner.restype = ctypes.c_ulong
d = x.XOpenDisplay(None)
if not d:
    sys.exit(1)
atom = x.XInternAtom(ctypes.c_void_p(d), b"_NET_WM_CM_S0", 0)
sys.exit(0 if x.XGetSelectionOwner(ctypes.c_void_p(d), ctypes.c_ulong(atom)) else 1)
EOF
}
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

case $wm in
openbox)
  openbox --sm-disable >"$work/wm.log" 2>&1 &
  wm_pid=$!
  ;;
xfwm4)
  # Its settings come over D-Bus: a session bus of its own.
  command -v dbus-run-session >/dev/null || skip "dbus-run-session is missing: xfwm4 cannot read its settings"
  HOME=$home dbus-run-session -- xfwm4 --compositor=on --vblank=off --sm-client-disable >"$work/wm.log" 2>&1 &
  wm_pid=$!
  ;;
*) fail "unknown window manager $wm" ;;
esac
for _ in $(seq 100); do
  wm_running && { [[ $wm != xfwm4 ]] || compositing; } && break
  kill -0 "$wm_pid" 2>/dev/null || break
  sleep 0.1
done
wm_running || skip "$wm could not start: $(tail -3 "$work/wm.log")"
[[ $wm != xfwm4 ]] || compositing || skip "xfwm4 started without its compositor: $(tail -3 "$work/wm.log")"
echo "$wm runs on $DISPLAY"

start_program() {
  exec env -u WAYLAND_DISPLAY -u SESSION_MANAGER HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state" \
    XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb QUORIN_DRIVES="fake:media=cdrw" "$program" "$@"
}
start_program >"$work/program.log" 2>&1 &
app_pid=$!

wait_for() {
  local what=$1
  shift
  for _ in $(seq 100); do
    "$@" && return 0
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended while waiting for $what: $(tail -5 "$work/program.log")"
    sleep 0.1
  done
  [[ -n ${KEEP_WORK:-} ]] && import -window root "$work/failed.png"
  fail "$what (windows shown: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | paste -sd '|'))"
}
window_of() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
shown() { [[ -n $(window_of "$1") ]]; }
hidden() { ! shown "$1"; }
# gx gy gw gh: where a window's body is on the screen (xdotool reports the
# position of a framed window wrongly, xwininfo does not).
geometry() {
  local info
  info=$(xwininfo -id "$1")
  gx=$(awk '/Absolute upper-left X/ { print $NF }' <<<"$info")
  gy=$(awk '/Absolute upper-left Y/ { print $NF }' <<<"$info")
  gw=$(awk '/^ *Width:/ { print $NF }' <<<"$info")
  gh=$(awk '/^ *Height:/ { print $NF }' <<<"$info")
}
# A rectangle of the screen, as the user sees it, is drawn: neither uniform
# (a body never drawn, or one showing one colour) nor dark (black, or the
# desktop behind it).
drawn_area() {
  local spread mean
  read -r spread mean <<<"$(import -window root -crop "$3x$4+$1+$2" +repage -colorspace gray \
    -format '%[fx:standard_deviation] %[fx:mean]' info: 2>/dev/null)"
  [[ -n ${mean:-} ]] && awk -v s="$spread" -v m="$mean" 'BEGIN { exit !(s > 0.04 && m > 0.4) }'
}
drawn() {
  local id
  id=$(window_of "$1")
  [[ -n $id ]] || return 1
  geometry "$id"
  drawn_area "$gx" "$gy" "$gw" "$gh"
}
main_title="Quorin - Vinyl and Tape Recorder"
main_id() { window_of "$main_title"; }
transient_for_main() {
  local owner
  owner=$(xprop -id "$(window_of "$1")" WM_TRANSIENT_FOR 2>/dev/null | awk '/window id/ { print $NF }')
  [[ -n $owner ]] && (($(printf '%d' "$owner") == $(main_id)))
}
centred_on_main() {
  local cx cy
  geometry "$(window_of "$1")"
  cx=$((gx + gw / 2)) cy=$((gy + gh / 2))
  geometry "$(main_id)"
  ((cx - gx - gw / 2 < 40 && gx + gw / 2 - cx < 40 && cy - gy - gh / 2 < 60 && gy + gh / 2 - cy < 60))
}
# The window is above the main window in the window manager's stacking order.
above_main() {
  local order id main
  order=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
  id=$(window_of "$1") main=$(main_id)
  local at=-1 main_at=-1 i=0 w
  for w in $order; do
    (($(printf '%d' "$w") == id)) && at=$i
    (($(printf '%d' "$w") == main)) && main_at=$i
    i=$((i + 1))
  done
  ((at > main_at && main_at >= 0))
}
# A dialog is shown, drawn, transient for the main window, centred on it.
check_dialog() {
  local title=$1
  wait_for "the $title window to show" shown "$title"
  wait_for "the $title window to be drawn on the screen under $wm" drawn "$title"
  transient_for_main "$title" || fail "$title is not transient for the main window: $(xprop -id "$(window_of "$title")" WM_TRANSIENT_FOR)"
  centred_on_main "$title" || fail "$title is not centred on the main window"
  echo "ok: $title is drawn, transient for the main window and centred on it"
}
press() {
  xdotool windowactivate --sync "$(window_of "$1")" 2>/dev/null
  shift
  xdotool key "$@"
}
close_with_escape() {
  press "$1" Escape
  wait_for "Escape to close $1" hidden "$1"
}

# The first start opens the wizard over the main window.
wait_for "the main window to show" shown "$main_title"
check_dialog "Quorin Wizard"
close_with_escape "Quorin Wizard"

# The main window and its frame lie inside the work area, and it is drawn.
inside_work_area() {
  local area extents left right top bottom
  read -r ax ay aw ah _ <<<"$(xprop -root _NET_WORKAREA | sed 's/.*= //; s/,//g')"
  extents=$(xprop -id "$(main_id)" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ,)
  read -r left right top bottom <<<"${extents:-0 0 0 0}"
  geometry "$(main_id)"
  ((gx - left >= ax && gy - top >= ay && gx + gw + right <= ax + aw && gy + gh + bottom <= ay + ah))
}
wait_for "the main window to be drawn" drawn "$main_title"
wait_for "the main window's frame to lie inside the work area ($(xprop -root _NET_WORKAREA))" inside_work_area
echo "ok: the main window is drawn and its frame lies inside the work area"

# A panel comes along the top edge: the work area shrinks and the main window
# keeps inside it. A window manager that maximised the main window (xfwm4
# does so with a window asking for the whole screen) places it itself.
if xprop -id "$(main_id)" _NET_WM_STATE | grep -q MAXIMIZED_VERT; then
  echo "ok: $wm maximised the main window; its place with a panel is the window manager's"
else
python3 - >"$work/panel.log" 2>&1 <<'EOF' &
import ctypes, time
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XCreateSimpleWindow.restype = ctypes.c_ulong
d = ctypes.c_void_p(x.XOpenDisplay(None))
w = ctypes.c_ulong(x.XCreateSimpleWindow(d, ctypes.c_ulong(x.XDefaultRootWindow(d)), 0, 0, 1280, 60, 0, 0, 0x335577))
atom = lambda name: ctypes.c_ulong(x.XInternAtom(d, name, 0))
dock = (ctypes.c_long * 1)(atom(b"_NET_WM_WINDOW_TYPE_DOCK").value)
x.XChangeProperty(d, w, atom(b"_NET_WM_WINDOW_TYPE"), ctypes.c_ulong(4), 32, 0, dock, 1)
strut = (ctypes.c_long * 12)(0, 0, 60, 0, 0, 0, 0, 0, 0, 1279, 0, 0)
x.XChangeProperty(d, w, atom(b"_NET_WM_STRUT_PARTIAL"), ctypes.c_ulong(6), 32, 0, strut, 12)
x.XChangeProperty(d, w, atom(b"_NET_WM_STRUT"), ctypes.c_ulong(6), 32, 0, strut, 4)
x.XMapWindow(d, w)
x.XFlush(d)
while True:
    time.sleep(1)
EOF
panel_pid=$!
panel_up() { xprop -root _NET_WORKAREA | grep -q '= 0, 60, 1280, 740'; }
wait_for "the panel to shrink the work area" panel_up
wait_for "the main window's frame to keep inside the work area with the panel ($(xprop -root _NET_WORKAREA))" inside_work_area
kill "$panel_pid"
wait "$panel_pid" 2>/dev/null
echo "ok: with a panel on the screen the main window keeps inside the smaller work area"
fi

press "$main_title" ctrl+comma
check_dialog "Quorin Preferences"
close_with_escape "Quorin Preferences"

# About: the first item of the Quorin menu, opened with a click on its title.
geometry "$(main_id)"
xdotool mousemove $((gx + 30)) $((gy + 9)) click 1
sleep 0.3
xdotool key Down Return
check_dialog "About Quorin"
close_with_escape "About Quorin"

# Recordings for the dialogs that work on them: the program starts again on
# the same home, without the wizard this time.
kill -TERM "$app_pid"
wait "$app_pid"
app_pid=
mkdir -p "$home/Music/Quorin"
sox -q -n -r 44100 -c 2 -b 16 "$home/Music/Quorin/Take 1.wav" synth 2 sine 440 vol 0.3 || fail "sox"
sox -q -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 2 sine 660 vol 0.3 || fail "sox"
lame --quiet "$work/tone.wav" "$home/Music/Quorin/Take 2.mp3" || fail "lame"
start_program >>"$work/program.log" 2>&1 &
app_pid=$!
wait_for "the main window to show again" shown "$main_title"
geometry "$(main_id)"
# Dark (text) pixels in a rectangle of the screen.
has_text() {
  local darkest
  darkest=$(import -window root -crop "$3x$4+$1+$2" +repage -colorspace gray -format '%[fx:minima]' info: 2>/dev/null)
  [[ -n $darkest ]] && awk -v d="$darkest" 'BEGIN { exit !(d < 0.5) }'
}
wait_for "the recordings to be listed" has_text $((gx + 2)) $((gy + 116)) 150 12

# Burn Audio over every recording, then Erase Now: the dialog stays over the
# main window afterwards.
# A selected row is drawn in the highlight colour: clearly blue.
highlighted() {
  local r g b
  read -r r g b <<<"$(import -window root -crop "1x1+$1+$2" +repage \
    -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info: 2>/dev/null)"
  [[ -n ${b:-} ]] && ((b - r > 60))
}
geometry "$(main_id)"
xdotool mousemove $((gx + 200)) $((gy + 109)) click 1
wait_for "a click to select the first recording" highlighted $((gx + 200)) $((gy + 109))
press "$main_title" ctrl+a
wait_for "Ctrl+A to select every recording" highlighted $((gx + 200)) $((gy + 123))
xdotool mousemove $((gx + 194)) $((gy + 50)) click 1
check_dialog "Burn Audio"
geometry "$(window_of "Burn Audio")"
xdotool mousemove $((gx + 167)) $((gy + 271)) click 1
sleep 1.5
wait_for "Burn Audio to show again after Erase Now" shown "Burn Audio"
wait_for "Burn Audio to stand over the main window after Erase Now" above_main "Burn Audio"
wait_for "Burn Audio to be drawn after Erase Now" drawn "Burn Audio"
echo "ok: after Erase Now Burn Audio is drawn over the main window"
close_with_escape "Burn Audio"

# The ID Tag dialog of the MP3, the second row.
geometry "$(main_id)"
xdotool mousemove $((gx + 200)) $((gy + 123)) click 1
press "$main_title" ctrl+t
check_dialog "ID Tag"
close_with_escape "ID Tag"

# Minimise and restore: the status bar is drawn again.
main=$(main_id)
xdotool windowminimize "$main"
for _ in $(seq 50); do
  xprop -id "$main" WM_STATE | grep -q Iconic && break
  sleep 0.1
done
xprop -id "$main" WM_STATE | grep -q Iconic || fail "the main window was not minimised"
xdotool windowactivate "$main" 2>/dev/null
wait_for "the main window to come back" shown "$main_title"
status_bar_drawn() {
  geometry "$(main_id)"
  drawn_area "$gx" $((gy + gh - 24)) 300 20
}
wait_for "the status bar to be drawn after a restore" status_bar_drawn
echo "ok: minimised and restored, the status bar is drawn"

# Hide Quorin takes every window away; starting the program again brings them
# back.
press "$main_title" ctrl+h
wait_for "Hide Quorin to hide the main window" hidden "$main_title"
[[ $(xdotool search --onlyvisible --class quorin 2>/dev/null | wc -l) -eq 0 ]] || fail "windows still shown after Hide Quorin"
start_program >>"$work/program.log" 2>&1 &
second=$!
for _ in $(seq 100); do
  kill -0 "$second" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$second" 2>/dev/null && kill -KILL "$second" && fail "a second start did not hand over to the running program"
wait_for "starting the program again to show the hidden main window" shown "$main_title"
wait_for "the main window to be drawn after Hide Quorin" drawn "$main_title"
echo "ok: Hide Quorin hides every window and starting the program again shows them"

kill -TERM "$app_pid"
wait "$app_pid"
status=$?
app_pid=
[[ $status -eq 0 ]] || fail "the program ended with status $status after SIGTERM"
echo "PASS"
