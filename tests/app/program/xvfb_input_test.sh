#!/usr/bin/env bash
# Starts the real program on a private X server and drives it with real
# pointer and key events (XTEST through xdotool), as a user would: the main
# list selects a row on a click and offers its context menu, a toolbar button
# and Ctrl+R open the recording session, the File menu opens and runs an item,
# the main window still answers after each of those windows closes, and a
# log-out (SIGTERM) ends the program with its runtime folder left clean.
# Exits 77 (skipped) only when no X server can be started.
set -uo pipefail

program=${1:?usage: xvfb_input_test.sh PATH-TO-quorin}
convert=/usr/bin/convert

. "$(dirname "$0")/../../../tools/xvfb-lib.sh"

command -v Xvfb >/dev/null || skip "Xvfb is not installed (tools/install-deps.sh installs it)"
for tool in xdotool "$convert" import python3; do
  command -v "$tool" >/dev/null || fail "$tool is missing (tools/install-deps.sh installs it)"
done
[[ -x $program ]] || fail "no program at $program"

work=$(mktemp -d /tmp/quorin-xvfb-test.XXXXXX)
xvfb_pid=
app_pid=
cleanup() {
  [[ -n $app_pid ]] && kill -KILL "$app_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

start_xvfb 1600x1000x24

private_home
mkdir -p "$home/Music/Quorin"
# Eight short recordings fill the top of the main list.
python3 - "$home/Music/Quorin" <<'EOF'
import sys, wave
for i in range(8):
    with wave.open(f"{sys.argv[1]}/Take {i + 1}.wav", "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(44100)
        w.writeframes(b"\x00\x01" * 2 * 44100 * (i + 1))
EOF

env -u WAYLAND_DISPLAY -u SESSION_MANAGER HOME="$home" XDG_CONFIG_HOME="$home/.config" \
  XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state" \
  XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb "$program" >"$work/program.log" 2>&1 &
app_pid=$!

# Waits (within a bound, so a fault fails instead of hanging) for a command
# to succeed.
wait_for() {
  local what=$1
  shift
  for _ in $(seq 150); do
    "$@" && return 0
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended while waiting for $what: $(tail -5 "$work/program.log")"
    sleep 0.1
  done
  fail "$what"
}
shown() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
hidden() { ! shown "$1"; }
visible_windows() { xdotool search --onlyvisible --class quorin 2>/dev/null | wc -l; }
more_windows_than() { [[ $(visible_windows) -gt $1 ]]; }
# The colour of one pixel of the screen, as "r g b" from 0 to 255.
pixel() {
  import -window root -crop "1x1+$1+$2" +repage -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info: 2>/dev/null
}
# A selected row is drawn in the highlight colour: clearly blue, not the white
# or light grey of an unselected one.
highlighted() {
  local r g b
  read -r r g b <<<"$(pixel "$1" "$2")"
  [[ -n ${b:-} ]] && ((b - r > 60))
}
not_highlighted() { ! highlighted "$@"; }
# Dark (text) pixels somewhere in a rectangle of the screen.
has_text() {
  local darkest
  darkest=$(import -window root -crop "$3x$4+$1+$2" +repage -colorspace gray -format '%[fx:minima]' info: 2>/dev/null)
  [[ -n $darkest ]] && awk -v d="$darkest" 'BEGIN { exit !(d < 0.5) }'
}

main_title="Quorin - Vinyl and Tape Recorder"
wait_for "the main window to show" shown "$main_title"
main=$(xdotool search --onlyvisible --name "^$main_title\$" | head -1)
eval "$(xdotool getwindowgeometry --shell "$main")"
left=$X
top=$Y
echo "main window $main at $left,$top on $DISPLAY"

# Places inside the main window: the File menu title, the Record toolbar
# button and two rows of the list, clear of the file names' text.
file_x=$((left + 74)) file_y=$((top + 8))
record_x=$((left + 76)) record_y=$((top + 44))
row_x=$((left + 200)) row_y=$((top + 150)) other_row_y=$((top + 122))
wait_for "the recordings to be listed" has_text "$left" $((top + 102)) 150 100

# A click selects the row under the pointer.
not_highlighted "$row_x" "$row_y" || fail "a row is selected before any click"
xdotool mousemove "$row_x" "$row_y" click 1
wait_for "a click to select a row" highlighted "$row_x" "$row_y"
echo "ok: a click selects a row"

# A right click on it opens the list's context menu.
windows=$(visible_windows)
xdotool mousemove "$row_x" "$row_y" click 3
wait_for "a right click to open the context menu" more_windows_than "$windows"
xdotool key Escape
wait_for "Escape to close the context menu" bash -c "[[ \$(xdotool search --onlyvisible --class quorin | wc -l) -le $windows ]]"
echo "ok: the list's context menu opens"

# A toolbar button runs its command.
xdotool mousemove "$record_x" "$record_y" click 1
wait_for "the Record toolbar button to open the recording session" shown "Recording Session"
xdotool key Escape
wait_for "Escape to close the recording session" hidden "Recording Session"
echo "ok: the Record toolbar button opens the recording session"

# A shortcut of the main menu works from the main window.
xdotool mousemove "$row_x" "$row_y" click 1
xdotool key ctrl+r
wait_for "Ctrl+R to open the recording session" shown "Recording Session"
xdotool key Escape
wait_for "Escape to close the recording session" hidden "Recording Session"
echo "ok: Ctrl+R opens the recording session"

# The File menu opens on a click; its second item starts a recording session.
windows=$(visible_windows)
xdotool mousemove "$file_x" "$file_y" click 1
wait_for "a click to open the File menu" more_windows_than "$windows"
xdotool key Down Down Return
wait_for "the File menu's Start Recording Session item" shown "Recording Session"
xdotool key Escape
wait_for "Escape to close the recording session" hidden "Recording Session"
echo "ok: the File menu opens and runs its items"

# After all those windows the main window still answers.
xdotool mousemove "$row_x" "$other_row_y" click 1
wait_for "a click after the recording session to select another row" highlighted "$row_x" "$other_row_y"
not_highlighted "$row_x" "$row_y" || fail "the row selected before is still selected"
echo "ok: the main window answers after its windows close"

# A log-out ends the program and leaves nothing in the runtime folder.
kill -TERM "$app_pid"
for _ in $(seq 100); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "the program still runs 10 s after SIGTERM"
wait "$app_pid"
status=$?
app_pid=
[[ $status -eq 0 ]] || fail "the program ended with status $status after SIGTERM"
left_over=$(find "$work/runtime" -name 'quorin*')
[[ -z $left_over ]] || fail "left in the runtime folder: $left_over"
echo "ok: SIGTERM ends the program and clears its runtime files"
echo "PASS"
