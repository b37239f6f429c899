#!/bin/sh
# "Quorin Preferences" and "Output Format" driven as a user works them: what
# OK stores and the next opening shows, Cancel, and the refusals (their
# message boxes and tips) that store nothing.
set -u
QD_GUI=$1
export QT_QPA_PLATFORM=offscreen
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/drive-lib.sh"
fresh_home() {
    rm -rf "$tmp/home"
    export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/config" XDG_DATA_HOME="$tmp/home/data" \
        XDG_CACHE_HOME="$tmp/home/cache"
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$HOME/Music/Quorin"
}
settings_file() { cat "$XDG_CONFIG_HOME/com.oxbelsoftware.quorin.conf" 2>/dev/null; }

# General: set through the controls, stored on OK, shown on the next open.
fresh_home
mkdir -p "$HOME/Takes"
if drive "general ok" 0 preferences -- "set:12603=$HOME/Takes" check:12615=1 check:12617=1 set:12619=7 click:ok; then
    has "general ok" "setting: Settings/AppOutputFolder=$HOME/Takes"
    has "general ok" "setting: Settings/RecordTone=1"
    has "general ok" "setting: Settings/UseMinTime=1"
    has "general ok" "setting: Settings/MinTime=7"
    has "general ok" "setting: Recording/Volume=0"
    has "general ok" "reload: the main window's list"
fi
if drive "general shown again" 1 preferences -- show:12603 show:12615 show:12617 show:12619 check:12615=0 click:cncl; then
    has "general shown again" "shown: 12603=$HOME/Takes"
    has "general shown again" "shown: 12615=1"
    has "general shown again" "shown: 12617=1"
    has "general shown again" "shown: 12619=7"
    lacks "general shown again" "^setting:"
fi
[ "$(setting Settings/RecordTone)" = 1 ] || { echo "FAIL cancel: RecordTone is $(setting Settings/RecordTone)"; fail=1; }

# Audio Settings likewise.
fresh_home
mkdir -p "$HOME/Copies"
if drive "audio ok" 0 preferences audio -- pick:13602=~Cassette "set:13615=-31" pick:13619=4 check:13624=1 \
    "set:13626=$HOME/Copies" check:13630=1 check:13637=1 click:ok; then
    has "audio ok" "setting: RecordingSource/Vinyl=0"
    has "audio ok" "setting: Settings/dBNoiseFloor=-31"
    has "audio ok" "setting: OutputFormat/OutputFormatNum=4"
    has "audio ok" "setting: OutputFormat/MakeCopy=1"
    has "audio ok" "setting: OutputFormat/OutputFolder=$HOME/Copies"
    has "audio ok" "setting: AudioRestoration/DCOffset=1"
    has "audio ok" "setting: AudioRestoration/Normalization=1"
    has "audio ok" "setting: Settings/NormalizeLevel=100"
fi
if drive "audio shown again" 1 preferences audio -- show:13602 show:13615 show:13619 show:13630 show:13634 click:cncl; then
    has "audio shown again" "shown: 13602=Cassette"
    has "audio shown again" "shown: 13615=-31"
    has "audio shown again" "shown: 13619=Save recording in Wave format, burn to Audio CD"
    has "audio shown again" "shown: 13630=1"
    has "audio shown again" "shown: 13634=0"
fi

# An unwritable output folder after the Audio Settings page was changed:
# the message names the folder and not one setting changes.
fresh_home
before=$(settings_file)
if drive "unwritable folder" 0 preferences audio -- pick:13602=~Cassette check:13630=1 goto:12603 set:12603=/proc click:ok; then
    has "unwritable folder" "box: Quorin Dizer od OD Udivezeve | General Setting: The specified recording path \"/proc\" is not a folder or it is not writable for you! Please choose another one or leave it blank to reset to default folder."
    has "unwritable folder" "open: Quorin Preferences"
    lacks "unwritable folder" "^setting:"
fi
[ "$(settings_file)" = "$before" ] || { echo "FAIL unwritable folder: the settings file changed"; fail=1; }

# A minimum recording time of one second: the tip, and the field becomes 2.
fresh_home
if drive "one second" 0 preferences -- check:12617=1 set:12619=1 click:ok show:12619; then
    has "one second" "tip: 12619 | The minimum recording time is two seconds You cannot set a recording to be less than two seconds long."
    has "one second" "shown: 12619=2"
    lacks "one second" "^setting:"
fi

# The make-copy question names the folder; Cancel keeps the sheet open.
fresh_home
if drive "copy question" 0 preferences audio -- check:13624=1 "set:13626=$HOME/New/Copies" answer:2 click:ok; then
    has "copy question" "box: Create Folder? | The make copies to folder \"$HOME/New/Copies\" does not exist. Would you like to create it ?"
    lacks "copy question" "^setting:"
    [ ! -e "$HOME/New" ] || { echo "FAIL copy question: the folder was made"; fail=1; }
fi
if drive "copy created" 0 preferences audio -- check:13624=1 "set:13626=$HOME/New/Copies" answer:1 click:ok; then
    has "copy created" "setting: OutputFormat/OutputFolder=$HOME/New/Copies"
    [ "$(stat -c %a "$HOME/New/Copies")" = 755 ] || { echo "FAIL copy created: mode $(stat -c %a "$HOME/New/Copies")"; fail=1; }
fi

# The noise floor field refuses a value out of range as it is typed.
fresh_home
if drive "noise typed" 0 preferences audio -- "set:13615=-61" show:13615; then
    has "noise typed" "tip: 13615 | Please enter a number between -60 and 12"
    has "noise typed" "shown: 13615=-25"
fi

# Output Format: the example, the stored template and the disc flags.
fresh_home
if drive "output format" 0 output-format -- "set:29609=Side A %MM%" show:29612 pick:29602=4 click:ok; then
    month=$(date +%m)
    has "output format" "shown: 29612=Side A $month 01.wav|Side A $month 02.wav|Side A $month 03.wav|etc..."
    has "output format" "setting: OutputFormat/FileNameFormat=Side A %MM% %autonumber%"
    has "output format" "setting: OutputFormat/OutputFormatNum=4"
    has "output format" "setting: OutputFormat/BurnAudioCD=1"
fi
if drive "output format shown" 1 output-format -- show:29609 show:29602 show:29612 click:cncl; then
    has "output format shown" "shown: 29609=Side A %MM% %autonumber%"
    has "output format shown" "shown: 29602=Save recording in Wave format, burn to Audio CD"
fi
if drive "empty template" 0 output-format -- "set:29609=" click:ok; then
    has "empty template" "setting: OutputFormat/FileNameFormat=Untitled %autonumber%"
fi
exit $fail
