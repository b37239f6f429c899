#!/bin/sh
# Natural ordering through `qd-gui natsort`: each case is a set of lines and
# the order they must come out in; descending must be the exact mirror.
set -u
QD_GUI=$1
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

check() { # name, expected order (one per line), input order
    printf '%s\n' "$3" > "$tmp/in"
    printf '%s\n' "$2" > "$tmp/want"
    if ! "$QD_GUI" natsort < "$tmp/in" > "$tmp/got"; then
        echo "FAIL $1: natsort exited non-zero"; fail=1; return
    fi
    if ! cmp -s "$tmp/got" "$tmp/want"; then
        echo "FAIL $1"; diff "$tmp/want" "$tmp/got"; fail=1
    fi
    "$QD_GUI" natsort --desc < "$tmp/in" > "$tmp/desc" || { echo "FAIL $1: --desc exited non-zero"; fail=1; return; }
    tac "$tmp/got" > "$tmp/mirror"
    if ! cmp -s "$tmp/desc" "$tmp/mirror"; then
        echo "FAIL $1: --desc is not the mirror"; diff "$tmp/mirror" "$tmp/desc"; fail=1
    fi
}

check "numbers by value" "Track 1
Track 2
Track 10" "Track 10
Track 2
Track 1"
# Equal under the comparison: input order kept ascending, reversed descending.
check "case-insensitive ties keep their order" "TRACK 10
track 10
Track 10" "TRACK 10
track 10
Track 10"
check "leading zeros" "a1
a01
a1b" "a1b
a01
a1"
check "leading zeros in the middle tie" "a01x
a1x" "a01x
a1x"
check "empty first, prefix first" "
0
ab
abc" "abc
0
ab
"
check "non-ASCII before ASCII" "Élan
Apple" "Apple
Élan"

if "$QD_GUI" natsort --bogus < /dev/null > /dev/null 2>&1; then
    echo "FAIL: an unknown option must fail"; fail=1
fi
[ $fail -eq 0 ] && echo "natsort: all cases pass"
exit $fail
