#!/usr/bin/env bash
# Runs every test of a build folder. Tests that need a sound server get a
# private PulseAudio started here (tools/with-pulse.sh) when it is available.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
if [[ -x tools/with-pulse.sh ]]; then
  exec tools/with-pulse.sh ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600
fi
exec ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600
