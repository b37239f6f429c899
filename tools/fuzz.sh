#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one:
#   smoke: a short bounded run (part of make test); long: minutes per target.
set -euo pipefail
mode=${1:-smoke}
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR=$PWD
shopt -s nullglob
targets=(tests/fuzz/fuzz_*.cpp)
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "fuzz: no fuzz targets yet"
  exit 0
fi
# -O1 without debug info: the sanitizers need no more, and it halves the build.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS_RELEASE="-O1 -gline-tables-only" -DCMAKE_CXX_FLAGS_RELEASE="-O1 -gline-tables-only" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUORIN_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"
for src in "${targets[@]}"; do
  name=$(basename "$src" .cpp)
  corpus=tests/fuzz/corpus/${name#fuzz_}
  work=$(mktemp -d)
  mkdir -p "$corpus"
  if [[ $mode == smoke ]]; then
    args=(-runs=20000 -max_total_time=${FUZZ_SMOKE_SECONDS:-30})
  else
    args=(-max_total_time=${FUZZ_SECONDS:-600})
  fi
  echo "fuzz: $name ${args[*]}"
  ./build-fuzz/tests/fuzz/"$name" "${args[@]}" -max_len=65536 -rss_limit_mb=2048 \
    -artifact_prefix="$work/" "$work" "$corpus" 2>"$work/log" || {
      tail -n 60 "$work/log"; echo "fuzz: $name FAILED (artifacts in $work)"; exit 1; }
  tail -n 1 "$work/log"
  rm -rf "$work"
done
