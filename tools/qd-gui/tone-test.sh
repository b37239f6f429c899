#!/bin/sh
# The start and stop tones as `qd-gui tone` writes them: 16-bit PCM WAV that
# sox and ffmpeg read, shorter than half a second, soft, and starting and
# ending near silence so that they play without a click; the two differ.
set -u
QD_GUI=$1
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for n in 364 365; do
    if ! "$QD_GUI" tone $n "$tmp/$n.wav" >/dev/null; then
        echo "FAIL $n: qd-gui tone exited non-zero"; fail=1; continue
    fi
    bits=$(soxi -b "$tmp/$n.wav")
    [ "$bits" = 16 ] || { echo "FAIL $n: $bits bits"; fail=1; }
    ffmpeg -v error -i "$tmp/$n.wav" -f null - || { echo "FAIL $n: ffmpeg cannot read it"; fail=1; }
    python3 - "$tmp/$n.wav" <<'PY' || fail=1
import struct, sys, wave
with wave.open(sys.argv[1]) as w:
    assert w.getsampwidth() == 2, "not 16-bit"
    ch, rate, n = w.getnchannels(), w.getframerate(), w.getnframes()
    data = struct.unpack("<%dh" % (n * ch), w.readframes(n))
seconds = n / rate
problems = []
if not 0.05 < seconds < 0.5:
    problems.append("lasts %.3f s" % seconds)
first, last = data[:ch], data[-ch:]
if any(abs(s) > 64 for s in first + last):
    problems.append("ends not silent: first %s last %s" % (first, last))
peak = max(abs(s) for s in data)
if not 1000 < peak < 16384:
    problems.append("peak %d: silent or too loud" % peak)
for p in problems:
    print("FAIL %s: %s" % (sys.argv[1].rsplit("/", 1)[-1], p))
sys.exit(1 if problems else 0)
PY
done
if [ -f "$tmp/364.wav" ] && [ -f "$tmp/365.wav" ] && cmp -s "$tmp/364.wav" "$tmp/365.wav"; then
    echo "FAIL start and stop tones are the same"; fail=1
fi
"$QD_GUI" tone 366 "$tmp/x.wav" 2>/dev/null && { echo "FAIL tone 366 accepted"; fail=1; }
exit $fail
