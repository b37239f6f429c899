#!/bin/sh
# The message dialog, the wizard and file drops through qd-gui: each case
# runs a command and compares its output with the expected lines.
set -u
QD_GUI=$1
export QT_QPA_PLATFORM=offscreen
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

check() { # name, expected output, command...
    name=$1
    want=$2
    shift 2
    got=$("$@" 2>/dev/null)
    rc=$?
    if [ $rc -ne 0 ]; then
        echo "FAIL $name: exit $rc"; fail=1; return
    fi
    if [ "$got" != "$want" ]; then
        echo "FAIL $name"; echo "want: $want"; echo "got:  $got"; fail=1
    fi
}

check "message default choice" "result=5001 checkbox=1" \
    "$QD_GUI" message --choice 5000:Record:Now --choice 5001:Open --choice 5002:Burn --default 5001 --press 1
check "message escape" "result=-1 checkbox=1" "$QD_GUI" message --choice 5000:Record --escape
check "escape refused without cancel" "result=5000 checkbox=1" \
    "$QD_GUI" message --choice 5000:Record --choice 5001:Open --no-cancel --check --escape
check "wizard skips inactive pages" "A
C
A
C
result=ok" "$QD_GUI" wizard "A,B-,C" --script next,back,next,next
check "wizard refusing page" "A
B
result=cancel" "$QD_GUI" wizard "A,B!" --script next,next,finish
check "wizard one page" "Only
result=ok" "$QD_GUI" wizard Only --script finish
check "wizard without pages" "result=cancel" "$QD_GUI" wizard "," --script next,back,finish

mkdir -p "$tmp/in"
: > "$tmp/in/side a.wav"
: > "$tmp/in/Trâck ünï.mp3"
: > "$tmp/in/c.flac"
check "drop of three files" "count=3
$tmp/in/side a.wav
$tmp/in/Trâck ünï.mp3
$tmp/in/c.flac" "$QD_GUI" drop "$tmp/in/side a.wav" "$tmp/in/Trâck ünï.mp3" "$tmp/in/c.flac"
exit $fail
