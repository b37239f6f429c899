#!/bin/sh
# The WAV and MP3 encoder option dialogs driven as a user works them: what
# each choice stores, what sox and ffprobe read from files written with it,
# and the choices that are refused.
set -u
QD_GUI=$1
QD_AUDIO=$2
QD_QUEUE=${3:-}
export QT_QPA_PLATFORM=offscreen
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/drive-lib.sh"
fresh_home() {
    rm -rf "$tmp/home"
    export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/config" XDG_DATA_HOME="$tmp/home/data" \
        XDG_CACHE_HOME="$tmp/home/cache"
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
}
sox -q -n -r 44100 -c 2 -b 16 "$tmp/source.wav" synth 3 sine 440 vol 0.3 || exit 1
sox -q -n -r 22050 -c 1 -b 16 "$tmp/source-22k.wav" synth 3 sine 440 vol 0.3 || exit 1

# wave CASE EXPECTED-SOXI STEPS...: OK on the choices, then a file written in
# the stored format is read back by sox as rate channels bits encoding.
wave() {
    case_name=$1
    expect=$2
    shift 2
    fresh_home
    drive "$case_name" 0 wave-options -- "$@" click:ok || return
    format=$(sed -n 's/^format: //p' "$tmp/out")
    tag=${format#tag=}; tag=${tag%% *}
    rate=${format#*rate=}; rate=${rate%% *}
    channels=${format#*channels=}; channels=${channels%% *}
    bits=${format#*bits=}
    "$QD_AUDIO" encode "$tmp/source.wav" "$tmp/out.wav" --tag "$tag" --rate "$rate" --channels "$channels" \
        --bits "$bits" >/dev/null 2>&1 || { echo "FAIL $case_name: $format could not be written"; fail=1; return; }
    got="$(soxi -r "$tmp/out.wav") $(soxi -c "$tmp/out.wav") $(soxi -b "$tmp/out.wav") $(soxi -e "$tmp/out.wav")"
    [ "$got" = "$expect" ] || { echo "FAIL $case_name: sox reads $got, want $expect ($format)"; fail=1; }
}
wave "high preset" "44100 2 16 Signed Integer PCM" "pick:101=~High Quality (CD/DVD Quality)"
wave "medium preset" "22050 2 16 Signed Integer PCM" "pick:101=~Medium Quality (AM Radio Quality)"
wave "low preset" "8000 1 8 Unsigned Integer PCM" "pick:101=~Low Quality (Telephone Quality)"
wave "a-law" "8000 1 8 A-law" "pick:103=~A-LAW" "pick:105=~Mono" "pick:107=~8000 Hz"
wave "mu-law" "16000 2 8 u-law" "pick:103=~MU-LAW" "pick:105=~Stereo" "pick:107=~16000 Hz"
wave "gsm" "8000 1 0 GSM" "pick:103=~GSM"
# Choosing the High preset's values by hand shows that preset.
fresh_home
drive "choices make a preset" 0 wave-options -- "pick:105=~Stereo" "pick:107=~44100 Hz" "pick:109=~16 bits Integer" \
    click:ok && has "choices make a preset" "setting: WavSettings/Preset=2"
# GSM hides the size list, and OK stores no sample size.
fresh_home
drive "gsm hides the size" 2 wave-options -- "pick:103=~GSM" "pick:109=0" && err_has "gsm hides the size" "control 109 is hidden"
# A-law and mu-law following the source stay automatic, so a recording made
# from a 22050 Hz mono source comes out at 22050 Hz mono.
for law in A-LAW MU-LAW; do
    fresh_home
    if drive "$law matching the source" 0 wave-options -- "pick:103=~$law" "pick:105=~Match Source" "pick:107=~Match Source" click:ok; then
        has "$law matching the source" "setting: WavSettings/SampleRateAuto=1"
        has "$law matching the source" "setting: WavSettings/ChansAuto=1"
        if [ -n "$QD_QUEUE" ]; then
            mkdir -p "$tmp/queued"
            rm -f "$tmp/queued/"*
            cp "$tmp/source-22k.wav" "$tmp/take.wav"
            "$QD_QUEUE" add "$tmp/take.wav" "$tmp/queued" .wav --dest "$tmp/queued/take.wav" >/dev/null 2>&1 &&
                "$QD_QUEUE" run >/dev/null 2>&1 ||
                { echo "FAIL $law matching the source: the queue could not convert"; fail=1; continue; }
            want="22050 1 8 A-law"
            [ "$law" = MU-LAW ] && want="22050 1 8 u-law"
            got="$(soxi -r "$tmp/queued/take.wav") $(soxi -c "$tmp/queued/take.wav") $(soxi -b "$tmp/queued/take.wav") $(soxi -e "$tmp/queued/take.wav")"
            [ "$got" = "$want" ] || { echo "FAIL $law matching the source: sox reads $got, want $want"; fail=1; }
        fi
    fi
done
# The Custom preset with no encoding remembered opens with every list chosen:
# OK stores a real rate and channel count.
fresh_home
set_setting WavSettings/Preset 1
if drive "custom without an encoding" 0 wave-options -- click:ok; then
    format=$(sed -n 's/^format: //p' "$tmp/out")
    case "$format" in *"channels=0"* | *"rate=0"*) echo "FAIL custom without an encoding: $format"; fail=1 ;; esac
fi
# Cancel stores nothing.
fresh_home
drive "wave cancelled" 1 wave-options -- "pick:101=~Low Quality (Telephone Quality)" click:cncl &&
    lacks "wave cancelled" "^setting:" && lacks "wave cancelled" "^file:"

# MP3: refused VBR pairs show their tip at the maximum and store nothing.
fresh_home
drive "vbr too far apart" 0 mp3-options -- click:107 pick:109=~24 pick:111=~320 click:ok && {
    has "vbr too far apart" "tip: 111 | Your VBR minimum and maximum bitrates are too far apart, which will cause problems with the encoder. The minimum rate must be 32 or above, or the maximum rate 160 or below."
    has "vbr too far apart" "open: MP3 Encoder Options"
    lacks "vbr too far apart" "^setting:"
}
drive "vbr max below min" 0 mp3-options -- click:107 pick:109=~128 pick:111=~64 click:ok && {
    has "vbr max below min" "tip: 111 | Your VBR maximum bitrate cannot be smaller than the minimum bitrate."
    lacks "vbr max below min" "^setting:"
}
# 32 is a minimum the rule accepts, and the text says so.
drive "vbr from 32" 0 mp3-options -- click:107 pick:109=~32 pick:111=~320 click:ok && {
    has "vbr from 32" "setting: MP3Encoder/VBRMinBitRate=32"
    has "vbr from 32" "setting: MP3Encoder/ConstantBitRate=0"
    lacks "vbr from 32" "^tip:"
}
# Below 24 kbps only mono: the user's mode comes back when the rate rises.
fresh_home
drive "mono only while low" 0 mp3-options -- pick:116=~Joint pick:104=~16 pick:104=~128 click:ok &&
    has "mono only while low" "setting: MP3Encoder/ChannelMode=1"
drive "mono at a low rate" 0 mp3-options -- pick:104=~16 click:ok &&
    has "mono at a low rate" "setting: MP3Encoder/ChannelMode=3"
# A stored rate that is not listed shows, and is saved, as the nearest listed one.
fresh_home
set_setting MP3Encoder/CBRBitRate 100
drive "unlisted rate" 0 mp3-options -- click:ok && has "unlisted rate" "setting: MP3Encoder/CBRBitRate=96"
drive "mp3 cancelled" 1 mp3-options -- pick:104=~320 click:cncl && lacks "mp3 cancelled" "^setting:"

# A valid choice makes MP3s whose frames keep to it (frame sizes carry a
# padding byte now and then, so a frame's rate may read 1 kbps off).
bitrates() { # the distinct frame bitrates (kbps) of an MP3, sorted
    ffprobe -v error -select_streams a:0 -show_entries packet=size,duration_time -of csv=p=0 "$1" |
        awk -F, '$1 > 0 && $2 > 0 { printf "%d\n", ($2 * 8 / $1) / 1000 + 0.5 }' | sort -n | uniq
}
if "$QD_AUDIO" encode "$tmp/source.wav" "$tmp/probe.mp3" --bitrate 128 >/dev/null 2>&1; then
    fresh_home
    if drive "cbr file" 0 mp3-options -- pick:104=~96 click:ok; then
        "$QD_AUDIO" encode "$tmp/source.wav" "$tmp/cbr.mp3" --settings >/dev/null 2>&1
        [ "$(bitrates "$tmp/cbr.mp3" | tr '\n' ' ')" = "96 " ] ||
            { echo "FAIL cbr file: frame bitrates $(bitrates "$tmp/cbr.mp3" | tr '\n' ' ')"; fail=1; }
    fi
    if drive "vbr file" 0 mp3-options -- click:107 pick:109=~64 pick:111=~160 click:ok; then
        "$QD_AUDIO" encode "$tmp/source.wav" "$tmp/vbr.mp3" --settings >/dev/null 2>&1
        for kbps in $(bitrates "$tmp/vbr.mp3"); do
            [ "$kbps" -ge 63 ] && [ "$kbps" -le 161 ] || { echo "FAIL vbr file: a frame of $kbps kbps"; fail=1; }
        done
        [ -s "$tmp/vbr.mp3" ] || { echo "FAIL vbr file: nothing written"; fail=1; }
    fi
else
    echo "SKIP MP3 files: no MP3 encoder here"
fi
exit $fail
