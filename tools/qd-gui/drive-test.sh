#!/bin/sh
# qd-gui drive on the main window: following the window on top, the steps
# on a list, message boxes answered by number or by their default button,
# settings reported as they are stored, and the exit codes.
set -u
QD_GUI=$1
export QT_QPA_PLATFORM=offscreen
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/drive-lib.sh"
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/config" XDG_DATA_HOME="$tmp/home/data" \
    XDG_CACHE_HOME="$tmp/home/cache" XDG_RUNTIME_DIR="$tmp/run"
out="$tmp/home/Music/Quorin"
mkdir -p "$out" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
for name in "Side A" "Side B"; do
    sox -q -n -r 44100 -c 2 -b 16 "$out/$name.wav" synth 2 sine 440 vol 0.1 || exit 1
done

"$QD_GUI" list --drivable | grep -qx main || { echo "FAIL main is not listed as drivable"; fail=1; }

# Left open: the title is reported, nothing of the closing runs (no
# placement saved), the picture is written.
if drive "left open" 0 main -- "shot:$tmp/main.png" wait:50; then
    has "left open" "open: Quorin - Vinyl and Tape Recorder"
    has "left open" "setting: Settings/FirstRun=1"
    lacks "left open" "^setting: MainWindow/Width="
    [ "$(head -c 4 "$tmp/main.png" | tail -c 3)" = PNG ] || { echo "FAIL left open: no PNG"; fail=1; }
fi
# A run that ends normally, even with the window left open, leaves no crash
# lock: the next start asks nothing.
ls "$XDG_CACHE_HOME"/Quorin/_quorin_rl_* >/dev/null 2>&1 && { echo "FAIL left open: the crash lock stayed"; fail=1; }
if drive "start after a normal end" 0 main -- wait:50; then
    lacks "start after a normal end" "^box: Abnormal Termination Detected"
fi
# A run that is killed leaves the lock: the next start says so in boxes of
# its own, answered before any step could run; then the quit command closes
# the window, which stores its placement.
"$QD_GUI" drive main -- wait:60000 >/dev/null 2>&1 &
killed=$!
for _ in $(seq 100); do
    ls "$XDG_CACHE_HOME"/Quorin/_quorin_rl_* >/dev/null 2>&1 && break
    sleep 0.1
done
kill -9 $killed; wait $killed 2>/dev/null
if drive "boxes at opening" 0 main -- answer:2 click:quit; then
    has "boxes at opening" "box: Abnormal Termination Detected | Did Quorin hang or crash when last run? Click 'It Crashed' if Quorin failed. Click 'Something Else' if it was because of something else (a hard logoff for example) or if you did not notice anything wrong or don't remember."
    [ "$(grep -c '^box: ' "$tmp/out")" = 1 ] || { echo "FAIL boxes at opening: the second answer asked again"; fail=1; }
    grep -q "^setting: MainWindow/Width=[0-9]" "$tmp/out" || { echo "FAIL quit stores no placement"; fail=1; }
    lacks "boxes at opening" "^open:"
fi

# Remove asks first: Cancel (button 2) keeps the file, the default button
# moves it to the Trash. Rows are picked by text and by number.
if drive "remove cancelled" 0 main -- "pick:2028=~Side B.wav" answer:2 click:2004 click:quit; then
    has "remove cancelled" "box: Confirm Remove | Are you sure you want to move the selected file(s) to the Trash?"
    [ -f "$out/Side B.wav" ] || { echo "FAIL remove cancelled: the file went"; fail=1; }
fi
if drive "remove by default button" 0 main -- pick:2028=0 click:2004 wait:100; then
    has "remove by default button" "box: Confirm Remove | Are you sure you want to move the selected file(s) to the Trash?"
    has "remove by default button" "open: Quorin - Vinyl and Tape Recorder"
    [ ! -f "$out/Side A.wav" ] && [ -f "$out/Side B.wav" ] || { echo "FAIL remove by default button: wrong file"; fail=1; }
    [ -f "$XDG_DATA_HOME/Trash/files/Side A.wav" ] || { echo "FAIL remove by default button: not in the Trash"; fail=1; }
fi
# A key the window translates: Ctrl+A selects every row; Ctrl+Q quits.
drive "keys" 0 main -- key:Ctrl+A key:Ctrl+Q until-closed && lacks "keys" "^open:"

# Failed steps and usage errors: exit 2, naming what failed.
drive "no such control" 2 main -- click:9999 && err_has "no such control" '"click:9999": no control or enabled menu item 9999'
drive "too few items" 2 main -- pick:2028=5 && err_has "too few items" "control 2028 has no item 5 (1 in all)"
drive "no such item" 2 main -- "pick:2028=~Side Z.wav" && err_has "no such item" 'no item "Side Z.wav"'
drive "not a text field" 2 main -- set:2028=x && err_has "not a text field" "control 2028 is not a text field"
drive "not a check box" 2 main -- check:2028=1 && err_has "not a check box" "control 2028 is not a check box"
drive "not a wizard" 2 main -- next && err_has "not a wizard" "is not a wizard"
drive "unknown step" 2 main -- frob:1 && err_has "unknown step" '"frob:1": unknown step'
drive "bad key" 2 main -- key: && err_has "bad key" "expected key:SEQ"
drive "unknown window" 2 nowindow -- wait:1 && err_has "unknown window" 'no window named "nowindow"'
drive "closed before the steps" 2 main -- click:quit "shot:$tmp/never.png" && err_has "closed before" "closed before step 2"
exit $fail
