#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quorin need.
# Does nothing when every package is already present.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  qt6-base-dev qt6-svg-dev adwaita-icon-theme fonts-dejavu-core xvfb xauth xdotool x11-utils x11-apps openbox xfwm4
  libpulse-dev pulseaudio pulseaudio-utils libsndfile1-dev libmp3lame0 libburn-dev libssl-dev
  sox libsox-fmt-all mpg123 ffmpeg lame sndfile-programs
  xorriso genisoimage udftools p7zip-full dumpet
  python3-mutagen id3v2 libimage-exiftool-perl openssl curl libxml2-utils
  unicode-data imagemagick libudev-dev bchunk cuetools desktop-file-utils
  bzip2 unzip zip dbus-daemon python3-dbus python3-gi python3
)

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  [[ "$status" == ii* ]] || missing+=("$p")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=()
if [[ $(id -u) -ne 0 ]]; then
  SUDO=(sudo)
fi
"${SUDO[@]}" apt-get update
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
