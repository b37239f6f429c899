#!/usr/bin/env bash
# Runs every test of a build folder. Tests that need a sound server get a
# private PulseAudio started here (tools/with-pulse.sh) when it is available.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
# A safety net under the tests' own TempHome: nothing the tests run may reach
# the real user's folders.
test_home=$(mktemp -d /tmp/quorin-test-home.XXXXXX)
trap 'rm -rf "$test_home"' EXIT
export HOME=$test_home XDG_CONFIG_HOME=$test_home/.config XDG_DATA_HOME=$test_home/.local/share
export XDG_CACHE_HOME=$test_home/.cache XDG_STATE_HOME=$test_home/.local/state
# The program opens web pages at the end of a run (thank-you pages): during
# the tests they go nowhere unless a test records them with its own opener.
mkdir -p "$test_home/bin"
printf '#!/bin/sh\nexit 0\n' > "$test_home/bin/xdg-open"
chmod 755 "$test_home/bin/xdg-open"
export PATH=$test_home/bin:$PATH
jobs=${QUORIN_TEST_JOBS:-$(nproc)}
if [[ -x tools/with-pulse.sh ]]; then
  tools/with-pulse.sh ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600
  exit $?
fi
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600
