#!/usr/bin/env bash
# Slow end-to-end check outside make test: an image holding a 4.5 GiB file
# (multi-extent ISO 9660, several UDF extents), written and verified by
# qd-disc, read back by xorriso and 7z from both the Joliet and the UDF view,
# and compared with the source. Needs about 14 GB free under the scratch folder.
#   tools/disc-big-file-check.sh [BUILD-DIR] [SCRATCH-DIR]
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
qd=$PWD/$build/tools/qd-disc/qd-disc
work=$(mktemp -d "${2:-/tmp}/quorin-big-disc.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/src"
# Sparse, with a few written places so a misplaced extent shows.
truncate -s 4608M "$work/src/big.raw"
for offset_mb in 0 4095 4096 4607; do
  printf 'marker at %s MB' "$offset_mb" | dd of="$work/src/big.raw" bs=1M seek="$offset_mb" conv=notrunc status=none
done
echo small > "$work/src/small.txt"
"$qd" image "$work/big.iso" --fs 5 --label Big --verify "$work/src/big.raw" "$work/src/small.txt"
xorriso -indev "$work/big.iso" -find / -type f -exec lsdl 2>/dev/null | grep big.raw
for view in iso udf; do
  rm -rf "$work/x"
  7z x -y -t$view -o"$work/x" "$work/big.iso" >/dev/null
  cmp "$work/src/big.raw" "$work/x/big.raw"
  cmp "$work/src/small.txt" "$work/x/small.txt"
  rm -rf "$work/x"
  echo "disc-big-file-check: $view view equal"
done
