#!/bin/sh
# qd-gui drive tags: one MP3 in the ID Tag dialog with stars and a cover (a
# picture that does not decode refused), one WAV in the Audio Tag Editor,
# three MP3s edited together, and a read-only file; mutagen and exiftool
# read the results.
set -u
QD_GUI=$(realpath "$1")
export QT_QPA_PLATFORM=offscreen
PY=/usr/bin/python3
if ! $PY -c 'import mutagen' 2>/dev/null; then
    echo "SKIP: python3-mutagen is not installed (make deps installs it)"; exit 0
fi
fail=0
tmp=$(mktemp -d)
trap 'chmod -R u+w "$tmp"; rm -rf "$tmp"' EXIT
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/config" XDG_DATA_HOME="$tmp/home/data" \
    XDG_CACHE_HOME="$tmp/home/cache" XDG_RUNTIME_DIR="$tmp/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$tmp" || exit 1
sox -q -n -r 44100 -c 1 -b 16 s.wav synth 0.5 sine 440 && lame --quiet -b 64 s.wav a.mp3 || exit 1
cp a.mp3 b.mp3 && cp a.mp3 c.mp3 && cp a.mp3 ro.mp3
sox -q -n -r 44100 -c 2 -b 16 w.wav synth 0.5 sine 440 || exit 1
convert -size 20x20 xc:orange cover.png || exit 1
printf 'not a picture' > bad.jpg
$PY - <<'PY' || exit 1
import mutagen.id3 as m
for n in ['a', 'b', 'c', 'ro']:
    t = m.ID3()
    t.add(m.TIT2(encoding=3, text='T' + n))
    t.add(m.COMM(encoding=3, lang='eng', desc='', text='note ' + n))
    t.add(m.TXXX(encoding=3, desc='MOOD', text='calm'))
    t.add(m.USLT(encoding=3, lang='eng', desc='', text='words ' + n))
    t.add(m.PRIV(owner='org.example', data=b'\x01' + n.encode()))
    t.add(m.POPM(email='', rating=200))
    t.save(n + '.mp3', v2_version=3)
PY
chmod 444 ro.mp3

# check NAME, expected exit, then the drive command line; output in $tmp/out.
check() {
    name=$1
    want=$2
    shift 2
    "$QD_GUI" drive "$@" >"$tmp/out" 2>"$tmp/err"
    rc=$?
    if [ $rc -ne "$want" ]; then
        echo "FAIL $name: exit $rc, want $want"; cat "$tmp/out" "$tmp/err"; fail=1
    fi
}
expect() { # NAME TEXT: the output holds TEXT
    grep -qF -- "$2" "$tmp/out" || { echo "FAIL $1: no '$2' in"; cat "$tmp/out"; fail=1; }
}
frames() { # FILE: the frames mutagen reads, one KEY=VALUE a line
    $PY -c '
import sys, hashlib, mutagen.id3 as m
t = m.ID3(sys.argv[1])
for k, v in sorted(t.items()):
    if k.startswith("APIC"):
        print("APIC=" + hashlib.sha1(v.data).hexdigest())
    elif k.startswith("POPM"):
        print("POPM=%d" % v.rating)
    elif k.startswith("PRIV"):
        print("PRIV=" + v.data.hex())
    else:
        print(k + "=" + str(v))
' "$1" 2>/dev/null
}
has() { # NAME FILE LINE
    frames "$2" | grep -qxF -- "$3" || { echo "FAIL $1: $2 lacks $3"; frames "$2"; fail=1; }
}
lacks() { # NAME FILE PREFIX
    if frames "$2" | grep -q "^$3"; then echo "FAIL $1: $2 has $3"; frames "$2"; fail=1; fi
}

check id-tag 0 tags a.mp3 -- set:103="New Title" set:105="New Artist" set:109="New Album" pick:115=~Jazz \
    set:123="Said twice" stars:2 image:bad.jpg image:cover.png click:ok
expect id-tag "box: Quorin Dizer od OD Udivezeve | The picture cannot be used as artwork: bad.jpg"
expect id-tag "file: a.mp3"
expect id-tag "Tag written successfully to file."
for line in "TIT2=New Title" "TPE1=New Artist" "TALB=New Album" "TCON=Jazz" "COMM::eng=Said twice" "POPM=64" \
    "APIC=$(sha1sum cover.png | cut -c1-40)" "TXXX:MOOD=calm" "USLT::eng=words a" "PRIV=0161"; do
    has id-tag a.mp3 "$line"
done
check no-stars 0 tags a.mp3 -- stars:0 click:ok
lacks no-stars a.mp3 POPM
check wrong-window 2 tags w.wav -- stars:3

check wav 0 tags w.wav -- set:8600="Wave Title" pick:8608=~Blues click:ok
expect wav "file: w.wav"
if command -v exiftool >/dev/null; then
    exiftool -s -s -s -Title w.wav | grep -qxF "Wave Title" || { echo "FAIL wav: exiftool title"; fail=1; }
fi

check several 0 tags a.mp3 b.mp3 c.mp3 -- set:103="All Artist" set:105="All Album" click:ok
expect several "Tags were written successfully to 3 files."
i=0
for n in a b c; do
    i=$((i + 1))
    has several $n.mp3 "TPE1=All Artist"
    has several $n.mp3 "TALB=All Album"
    has several $n.mp3 "TIT2=$n"
    has several $n.mp3 "TRCK=$i"
    has several $n.mp3 "PRIV=01$(printf %s $n | od -An -tx1 | tr -d ' \n')"
done
has several b.mp3 "COMM::eng=note b"
lacks several b.mp3 TCON
lacks several c.mp3 APIC

before=$(sha1sum ro.mp3)
check read-only 1 tags ro.mp3 -- set:103=X click:ok
expect read-only "Could not write a tag to the selected file."
expect read-only "ro.mp3"
[ "$(sha1sum ro.mp3)" = "$before" ] || { echo "FAIL read-only: the file changed"; fail=1; }

check cancel 1 tags b.mp3 -- set:103=Nope click:cncl
has cancel b.mp3 "TIT2=b"

[ $fail -eq 0 ] && echo "tags drive: all passed"
exit $fail
