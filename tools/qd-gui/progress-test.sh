#!/usr/bin/env bash
# qd-gui progress end to end: a child's lines drive the bar to a finished run,
# a failing child is an error, and Cancel during a long normalisation ends it
# as cancelled without leaving a half-written file. Usage: progress-test.sh QD_GUI
set -euo pipefail
qd=$1
export QT_QPA_PLATFORM=offscreen
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

expect() {
    local want=$1; shift
    set +e
    "$@" >"$dir/out" 2>"$dir/err"
    local rc=$?
    set -e
    if [[ $rc -ne $want ]]; then
        echo "FAIL: $* exited $rc, expected $want" >&2
        cat "$dir/out" "$dir/err" >&2
        exit 1
    fi
    grep -q '^result ' "$dir/out" || { echo "FAIL: $* printed no result line" >&2; exit 1; }
}

expect 0 "$qd" progress run -- sh -c 'sleep 0.3; echo 100 done'
expect 0 "$qd" progress --shot "$dir/run.png" run -- sh -c 'echo 10 reading; sleep 0.3; echo 60 writing; sleep 0.1; echo 100 done'
[[ -s "$dir/run.png" ]] || { echo "FAIL: no shot of the running dialog" >&2; exit 1; }
expect 2 "$qd" progress run -- sh -c 'echo 50 half; exit 3'
expect 2 "$qd" progress run -- /nonexistent/program

set +e
"$qd" shot no-such-window "$dir/x.png" >/dev/null 2>&1
rc=$?
set -e
[[ $rc -eq 1 ]] || { echo "FAIL: an unknown window exited $rc, expected 1" >&2; exit 1; }

if ! command -v sox >/dev/null; then
    echo "sox missing: the normalisation runs are skipped"
    exit 0
fi
sox -n -r 44100 -c 2 -b 16 "$dir/short.wav" synth 2 sine 440 vol 0.25
expect 0 "$qd" progress normalize "$dir/short.wav" "$dir/short-out.wav"
peak=$(sox "$dir/short-out.wav" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
awk -v p="$peak" 'BEGIN { exit !(p > 0.99) }' || { echo "FAIL: normalised peak $peak" >&2; exit 1; }

# Long enough that a fast machine is still working when Cancel comes.
sox -n -r 44100 -c 2 -b 16 "$dir/long.wav" synth 600 pinknoise vol 0.3
expect 1 "$qd" progress --cancel-after 30 normalize "$dir/long.wav" "$dir/long-out.wav"
[[ ! -e "$dir/long-out.wav" ]] || { echo "FAIL: a cancelled run left its output" >&2; exit 1; }
echo "progress runs behave"
