#!/usr/bin/env bash
# Runs every benchmark program of a build folder; each reports its own ratios
# against the reference tool it measures in the same run.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
shopt -s nullglob
for exe in "$build"/bench/*_bench; do
  echo "== $(basename "$exe")"
  "$exe" --benchmark_counters_tabular=true
done
