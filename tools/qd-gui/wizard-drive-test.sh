#!/bin/sh
# qd-gui drive on the recording wizard: Next refuses until a source is
# chosen (with its tip), the choices are stored, Back and Next walk the
# pages with the calibration page skipped when the setting says so, the
# pages not built yet say so, and Finish and Cancel give their exit codes.
# With prepared sides (--sides): the tracks reach the main window's list as
# WAV files or, with the audio CD, are burnt on a fake drive; a cancel keeps
# them in the working folder.
set -u
QD_GUI=$1
export QT_QPA_PLATFORM=offscreen
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/drive-lib.sh"
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/config" XDG_DATA_HOME="$tmp/home/data" \
    XDG_CACHE_HOME="$tmp/home/cache" XDG_RUNTIME_DIR="$tmp/run"
mkdir -p "$HOME/Music/Quorin" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# No sound server: the pages must cope without one.
export PULSE_SERVER="unix:$tmp/no-such-server"

"$QD_GUI" list --drivable | grep -qx 'wizard \[--sides DIR\]' || { echo "FAIL wizard is not listed as drivable"; fail=1; }

if drive "no source" 0 wizard -- wait:300 next; then
    has "no source" "tip: 24604 | Please select if you are converting records or tapes"
    has "no source" "open: Quorin Wizard"
fi

set_setting Wizard/CalibrateVolume 0
set_setting Wizard/SetAudioRestoreTools 0
if drive "vinyl, cancelled" 1 wizard -- click:24604 click:24609 click:24614 next "shot:$tmp/side1.png" click:cncl; then
    [ "$(setting RecordingSource/Vinyl)" = 1 ] || { echo "FAIL vinyl not stored"; fail=1; }
    [ "$(setting RecordingSource/Amp)" = 0 ] || { echo "FAIL direct phono not stored"; fail=1; }
    [ "$(setting RecordingSource/RecordingSpeed)" = 1 ] || { echo "FAIL speed not stored"; fail=1; }
    [ "$(head -c 4 "$tmp/side1.png" | tail -c 3)" = PNG ] || { echo "FAIL no picture of side one"; fail=1; }
fi

# Source, side one, side two, split, output (restoration skipped); back to
# the source and forward again, then Finish.
if drive "walk" 0 wizard -- click:24603 next next next next back back back back next next next next "shot:$tmp/out.png" click:fin!; then
    lacks "walk" "^box:"
fi

command -v sox >/dev/null || { echo "sox is not installed: the prepared sides are not tried"; exit $fail; }
# Prepared sides: two tracks on side one, one on side two.
mkdir -p "$tmp/sides"
for n in 1 2 3; do
    sox -q -n -r 44100 -c 2 -b 16 "$tmp/sides/g$n.wav" synth 3 whitenoise vol -60dB
    sox -q -n -r 44100 -c 2 -b 16 "$tmp/sides/t$n.wav" synth 2 sine $((300 + 100 * n)) vol 0.5
done
sox -q "$tmp/sides/g1.wav" "$tmp/sides/t1.wav" "$tmp/sides/g2.wav" "$tmp/sides/t2.wav" "$tmp/sides/side1.wav"
sox -q "$tmp/sides/g3.wav" "$tmp/sides/t3.wav" "$tmp/sides/side2.wav"
set_setting Settings/dBNoiseFloor -40
set_setting Settings/AutoSplitTime 2
set_setting Settings/AppOutputFolder "$HOME/Music/Quorin"
wizard_files() { find "$XDG_CACHE_HOME/Quorin/Recording" -type f 2>/dev/null | wc -l; }

if drive "sides, bad argument" 2 wizard --sides "$tmp/no-such-folder" -- next; then
    err_has "sides, bad argument" "is not a folder"
fi

# Source, side one, side two (splits), split page, output page: cancelled,
# the tracks are kept for the next run when the user says so.
if drive "sides, cancelled" 1 wizard --sides "$tmp/sides" -- click:24603 next next next \
    "shot:$tmp/split.png" next click:cncl answer:1; then
    has "sides, cancelled" "box: Quorin Dizer od OD Udivezeve | The recordings of this Wizard run (side one and side two, 3 tracks) were not added to your list. Keep them for the next run of the Wizard, or discard them?"
    lacks "sides, cancelled" "^listed:"
    [ "$(grep -c '^file: .*/save/' "$tmp/out")" = 3 ] || { echo "FAIL sides, cancelled: tracks not kept"; cat "$tmp/out"; fail=1; }
    [ "$(head -c 4 "$tmp/split.png" | tail -c 3)" = PNG ] || { echo "FAIL no picture of the split page"; fail=1; }
fi
rm -rf "$XDG_CACHE_HOME/Quorin/Recording"

# Do nothing more: the three WAV tracks are listed, the working folder is empty.
if drive "sides to wav" 0 wizard --sides "$tmp/sides" -- click:24603 next next next next click:31604 click:fin!; then
    [ "$(grep -c "^listed: $HOME/Music/Quorin/.*\.wav\$" "$tmp/out")" = 3 ] || { echo "FAIL sides to wav: not listed"; cat "$tmp/out"; fail=1; }
    lacks "sides to wav" "^file:"
    [ "$(wizard_files)" = 0 ] || { echo "FAIL sides to wav: working folder not empty"; fail=1; }
    [ "$(setting Settings/OutPutMethod)" = 3 ] || { echo "FAIL sides to wav: method not stored"; fail=1; }
fi
rm -f "$HOME/Music/Quorin"/*

# The audio CD: the tracks are listed and burnt on the fake drive.
if QUORIN_DRIVES="fake:media=cdr,dump=$tmp/disc.raw" drive "sides to cd" 0 wizard --sides "$tmp/sides" -- \
    click:24603 next next next next click:31602 click:fin! click:ok answer:1 wait:6000 click:cncl; then
    grep -q "^box: Quorin Dizer od OD Udivezeve | Commence burning to disc?" "$tmp/out" ||
        { echo "FAIL sides to cd: not asked before burning"; cat "$tmp/out"; fail=1; }
    [ "$(grep -c '^listed: ' "$tmp/out")" = 3 ] || { echo "FAIL sides to cd: not listed"; cat "$tmp/out"; fail=1; }
    # The disc holds at least the audio of the three tracks.
    audio=$(sed -n 's/^listed: //p' "$tmp/out" | while IFS= read -r track; do soxi -s "$track"; done |
        awk '{ bytes += $1 * 4 } END { print bytes + 0 }')
    burnt=$(stat -c %s "$tmp/disc.raw" 2>/dev/null || echo 0)
    [ "$audio" -gt 0 ] && [ "$burnt" -ge "$audio" ] ||
        { echo "FAIL sides to cd: $burnt bytes burnt for $audio bytes of audio"; cat "$tmp/out" "$tmp/err"; fail=1; }
    [ "$(wizard_files)" = 0 ] || { echo "FAIL sides to cd: working folder not empty"; fail=1; }
fi

# MP3 output: the tool finds the encoder as the program does (none is in the
# throwaway home), so the tracks are converted and listed as MP3 files.
rm -f "$HOME/Music/Quorin"/*
rm -rf "$XDG_CACHE_HOME/Quorin/Recording"
# Should it offer the encoder's download all the same, nothing leaves the machine.
if QUORIN_SITE=https://localhost:9 drive "sides to mp3" 0 wizard --sides "$tmp/sides" -- click:24603 next next next next click:31603 click:fin!; then
    lacks "sides to mp3" "MP3 encoder"
    [ "$(grep -c "^listed: $HOME/Music/Quorin/.*\.mp3\$" "$tmp/out")" = 3 ] || { echo "FAIL sides to mp3: not listed"; cat "$tmp/out" "$tmp/err"; fail=1; }
    [ "$(setting Settings/OutPutMethod)" = 2 ] || { echo "FAIL sides to mp3: method not stored"; fail=1; }
    if command -v mpg123 >/dev/null; then
        sed -n 's/^listed: //p' "$tmp/out" | while IFS= read -r track; do
            mpg123 -q -t "$track" 2>/dev/null || echo "FAIL sides to mp3: $track does not decode"
        done | grep . && fail=1
    fi
fi

exit $fail
