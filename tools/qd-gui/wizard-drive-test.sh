#!/bin/sh
# qd-gui drive on the recording wizard: Next refuses until a source is
# chosen (with its tip), the choices are stored, Back and Next walk the
# pages with the calibration page skipped when the setting says so, the
# pages not built yet say so, and Finish and Cancel give their exit codes.
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

"$QD_GUI" list --drivable | grep -qx wizard || { echo "FAIL wizard is not listed as drivable"; fail=1; }

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

exit $fail
