#!/usr/bin/env bash
# qd-gui rtf end to end: what the edit view writes reads back to the same
# bytes; other programs' RTF (nested groups, \uN, unknown destinations, a cut
# file) shows its text without control words; bad input and an unwritable
# output fail with their exit codes. Usage: rtf-test.sh QD_GUI
set -uo pipefail
qd=$1
export QT_QPA_PLATFORM=offscreen
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0

run() { # expected exit code, then the command; output in $dir/out
    local want=$1; shift
    "$@" >"$dir/out" 2>"$dir/err"
    local rc=$?
    if [[ $rc -ne $want ]]; then
        echo "FAIL: ${*:2} exited $rc, expected $want"; cat "$dir/out" "$dir/err"; fail=1
        return 1
    fi
}

# A document as another word processor writes it: a font and colour table, an
# info group and a stylesheet that must not show, a picture destination, \uN
# with its fallback, nested groups that switch styles off again.
printf '%s' '{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\froman Times New Roman;}{\f1\fswiss Arial;}}
{\colortbl;\red255\green0\blue0;\red0\green0\blue255;}
{\stylesheet{\s0 Normal;}}{\info{\title Secret title}{\author Someone}}
{\*\generator Other Writer 1.0;}\pard\qc\f1\fs32 {\b Side A}\par
\pard\ql\fs24 Caf\u233?, {\i italic {\ul and underlined}} back\par
\pard\qr {\cf1 red} and {\cf2 blue}{\*\unknowndest hidden text}\par
{\pict\pngblip 89504e470d0a1a0a}\pard last line\par}' >"$dir/other.rtf"

if run 0 "$qd" rtf "$dir/other.rtf" "$dir/first.rtf"; then
    want=$'Side A\nCafé, italic and underlined back\nred and blue\nlast line'
    got=$(cat "$dir/out")
    [[ $got == "$want" ]] || { echo "FAIL: the text read: '$got'"; fail=1; }
    for hidden in 'Secret' 'Someone' 'Normal' 'Other Writer' 'hidden text' '89504e' '\u' 'fonttbl'; do
        if grep -qF -- "$hidden" "$dir/out"; then echo "FAIL: '$hidden' shows as text"; fail=1; fi
    done
    # A fixed point: the view's own RTF reads back to the same text and bytes.
    if run 0 "$qd" rtf "$dir/first.rtf" "$dir/second.rtf"; then
        [[ $(cat "$dir/out") == "$want" ]] || { echo "FAIL: the text changed on the second pass"; fail=1; }
        cmp -s "$dir/first.rtf" "$dir/second.rtf" || {
            echo "FAIL: what the view writes does not read back identically"
            diff "$dir/first.rtf" "$dir/second.rtf"; fail=1; }
    fi
    for style in '\b' '\i' '\ul' '\qc' '\qr' '\red255\green0\blue0' '\red0\green0\blue255'; do
        grep -qF -- "$style" "$dir/first.rtf" || { echo "FAIL: the written RTF lost $style"; fail=1; }
    done
fi

# Cut inside the second paragraph's italic group, and nested far deeper than any document: the
# text up to the damage still reads.
head -c 320 "$dir/other.rtf" >"$dir/cut.rtf"
run 0 "$qd" rtf "$dir/cut.rtf" "$dir/cut-out.rtf" && grep -q 'Side A' "$dir/out" ||
    { echo "FAIL: the cut file lost its first paragraph"; fail=1; }
{ printf '{\\rtf1 deep '; head -c 200000 /dev/zero | tr '\0' '{'; printf 'x'; } >"$dir/deep.rtf"
"$qd" rtf "$dir/deep.rtf" "$dir/deep-out.rtf" >"$dir/out" 2>&1
rc=$?
[[ $rc -le 1 ]] || { echo "FAIL: deep nesting ended with $rc"; cat "$dir/out"; fail=1; }

printf 'just text' >"$dir/plain.txt"
run 1 "$qd" rtf "$dir/plain.txt" "$dir/x.rtf"
[[ -e $dir/x.rtf ]] && { echo "FAIL: an output was written for a file that is not RTF"; fail=1; }
run 1 "$qd" rtf "$dir/missing.rtf" "$dir/x.rtf"
run 2 "$qd" rtf "$dir/other.rtf" "$dir/no/such/folder/out.rtf"
run 2 "$qd" rtf "$dir/other.rtf"

[[ $fail -eq 0 ]] && echo "rtf: all cases pass"
exit $fail
