#!/usr/bin/env python3
"""Writes the program's start and stop tones as 16-bit stereo WAV files.

  make-tones.py OUT_DIR

364 (start): two short rising sine notes; 365 (stop): the same two falling.
Each note has a smooth raised-cosine rise and fall, so the files begin and
end in silence and play without a click; the level stays well below full
scale, as an interface sound should.
"""
import math
import os
import struct
import sys
import wave

RATE = 44100
LEVEL = 0.22 * 32767
NOTE_S = 0.12
GAP_S = 0.02
RISE_S = 0.012
FALL_S = 0.05


def note(freq):
    n = int(NOTE_S * RATE)
    rise, fall = int(RISE_S * RATE), int(FALL_S * RATE)
    out = []
    for i in range(n):
        if i < rise:
            env = 0.5 - 0.5 * math.cos(math.pi * i / rise)
        elif i >= n - fall:
            env = 0.5 - 0.5 * math.cos(math.pi * (n - 1 - i) / fall)
        else:
            env = 1.0
        out.append(int(round(LEVEL * env * math.sin(2 * math.pi * freq * i / RATE))))
    return out


def tone(freqs):
    samples = []
    for k, f in enumerate(freqs):
        if k:
            samples += [0] * int(GAP_S * RATE)
        samples += note(f)
    return samples


def write(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<hh", s, s) for s in samples))


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make-tones.py OUT_DIR\n")
        return 2
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write(os.path.join(out, "364.wav"), tone([660.0, 990.0]))
    write(os.path.join(out, "365.wav"), tone([990.0, 660.0]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
