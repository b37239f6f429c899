#!/usr/bin/env bash
# Fails when a source of the online layer (src/online/) includes a header of
# the windows (gui/...) or of the program (app/...): the online layer stands
# below them, so that it builds and is tested without a display; what it
# shows or asks goes through the prompts the program fills.
# Usage: check-online-includes.sh [source-root]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
[[ -d src/online ]] || { echo "no src/online under $root" >&2; exit 2; }
found=$(grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.cc' \
        '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](gui|app)/' src/online || true)
if [[ -n "$found" ]]; then
    echo "window or program headers included in src/online/:" >&2
    echo "$found" >&2
    exit 1
fi
echo "no window or program header in src/online/"
