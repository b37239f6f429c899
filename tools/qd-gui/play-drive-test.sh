#!/bin/sh
# qd-gui drive play: the play window over the main window, on a WAV and on
# an MP3 of its output folder. Points set by ear (seek, Add Cursor Point)
# out of order, one twice, split the file through the main window's own job
# into tracks whose lengths are the differences of the points (soxi, and
# the program's reader for the MP3) and, for the WAV, whose samples together
# are the original's. Bad seeks fail the run.
set -u
QD_GUI=$(realpath "$1")
export QT_QPA_PLATFORM=offscreen
for tool in sox soxi; do
    command -v $tool >/dev/null || { echo "SKIP: $tool is not installed (make deps installs it)"; exit 0; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/drive-lib.sh"
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/config" XDG_DATA_HOME="$tmp/home/data" \
    XDG_CACHE_HOME="$tmp/home/cache" XDG_RUNTIME_DIR="$tmp/run"
out="$tmp/home/Music/Quorin"
mkdir -p "$out" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
sox -q -n -r 44100 -c 2 -b 16 "$out/Side A.wav" synth 12 sine 300-900 vol 0.5 || exit 1

"$QD_GUI" list --drivable | grep -q "^play" || { echo "FAIL play is not listed as drivable"; fail=1; }

# Points at 8.25 s, 1.5 s and 4.875 s are frames 363825, 66150 and 214987.
points="seek:8250 click:2002 seek:1500 click:2002 seek:4875 click:2002 seek:1500 click:2002"
# shellcheck disable=SC2086 # the steps are words
if drive "split wav" 0 play "$out/Side A.wav" -- $points click:2004; then
    total=$(soxi -s "$out/Side A.wav")
    want="66150 148837 148838 $((total - 363825))"
    got=""
    for n in 01 02 03 04; do
        has "split wav" "file: $out/Side A_SPLIT_$n.wav"
        got="$got $(soxi -s "$out/Side A_SPLIT_$n.wav" 2>/dev/null)"
    done
    [ "$got" = " $want" ] || { echo "FAIL split wav: frames$got, want $want"; fail=1; }
    [ "$(grep -c '^file: ' "$tmp/out")" = 4 ] || { echo "FAIL split wav: not four files"; cat "$tmp/out"; fail=1; }
    sox "$out/Side A_SPLIT_01.wav" "$out/Side A_SPLIT_02.wav" "$out/Side A_SPLIT_03.wav" \
        "$out/Side A_SPLIT_04.wav" -t raw "$tmp/joined.raw" 2>/dev/null
    sox "$out/Side A.wav" -t raw "$tmp/whole.raw"
    cmp -s "$tmp/joined.raw" "$tmp/whole.raw" || { echo "FAIL split wav: the tracks are not the original"; fail=1; }
fi

# Closing with points asks; its default answer splits.
if drive "split at closing" 0 play "$out/Side A.wav" -- seek:6000 click:2002 click:cncl; then
    has "split at closing" "box: Warning | You have added cursor points. Do you want to split file at cursor points?"
    has "split at closing" "file: $out/Side A (01)_SPLIT_01.wav"
    has "split at closing" "file: $out/Side A (01)_SPLIT_02.wav"
fi
# Closing and answering No (button 3) splits nothing.
before=$(ls "$out" | wc -l)
if drive "closed with no" 0 play "$out/Side A.wav" -- seek:6000 click:2002 answer:3 click:cncl; then
    lacks "closed with no" "^file: "
    [ "$(ls "$out" | wc -l)" = "$before" ] || { echo "FAIL closed with no: files were written"; fail=1; }
fi

drive "seek past the end" 2 play "$out/Side A.wav" -- seek:20000 &&
    err_has "seek past the end" '"seek:20000": the file is 12000 ms long'
drive "seek without a time" 2 play "$out/Side A.wav" -- seek:soon &&
    err_has "seek without a time" '"seek:soon": expected seek:MS'
drive "no such file" 2 play "$out/none.wav" -- seek:10

# An MP3 gives MP3 tracks through the encoder component. One in the
# components folder that does not load comes first and is no encoder: the
# split offers the download (the package libmp3lame0 being the other way)
# and, declined, writes nothing.
component="$(dirname "$QD_GUI")/../../resources/quavex4x64"
if ! command -v lame >/dev/null; then
    echo "SKIP (MP3 part): lame is not installed (make deps installs it)"
else
    lame --quiet "$out/Side A.wav" "$out/Side B.mp3" || exit 1
    mkdir -p "$XDG_DATA_HOME/Quorin/Components"
    printf 'not a library' >"$XDG_DATA_HOME/Quorin/Components/quavex4x64"
    chmod 755 "$XDG_DATA_HOME/Quorin/Components/quavex4x64"
    if drive "mp3 without encoder" 1 play "$out/Side B.mp3" -- seek:6000 click:2002 answer:2 click:2004; then
        grep -q "^box: Install-on-Demand | .*libmp3lame0" "$tmp/out" ||
            { echo "FAIL mp3 without encoder: the download was not offered"; cat "$tmp/out"; fail=1; }
        lacks "mp3 without encoder" "^file: "
        ! ls "$out" | grep -q "SPLIT.*mp3" || { echo "FAIL mp3 without encoder: tracks written"; fail=1; }
    fi
    if [ ! -e "$component" ]; then
        echo "SKIP (MP3 split): the build ships no MP3 encoder component (libmp3lame0)"
    else
        mkdir -p "$XDG_DATA_HOME/Quorin/Components"
        ln -sf "$(realpath "$component")" "$XDG_DATA_HOME/Quorin/Components/quavex4x64"
        # shellcheck disable=SC2086
        if drive "split mp3" 0 play "$out/Side B.mp3" -- $points click:2004; then
            for n in 01 02 03 04; do
                has "split mp3" "file: $out/Side B_SPLIT_$n.mp3"
            done
            lacks "split mp3" "Split Failed"
            if command -v mpg123 >/dev/null; then
                for n in 01 02 03 04; do
                    mpg123 -q -t "$out/Side B_SPLIT_$n.mp3" 2>/dev/null ||
                        { echo "FAIL split mp3: track $n does not decode"; fail=1; }
                done
            fi
        fi
    fi
fi
exit $fail
