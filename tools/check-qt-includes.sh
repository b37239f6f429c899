#!/usr/bin/env bash
# Fails when a source of the program outside src/gui/qt/ includes a Qt header
# or one of the Qt peers (gui/qt/...): the window framework, the controls and
# the program stay toolkit-free, and only the Qt back end may name Qt. Tests and developer tools drive Qt directly and are
# not checked. Usage: check-qt-includes.sh [source-root]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
# <QWidget>, <QtCore/QObject>, <qglobal.h>, "QPointer" ...
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Qt[A-Za-z]*/)?(Q[A-Z][A-Za-z0-9_]*|q[a-z0-9_]+\.h)[>"]'
found=$(grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.cc' "$pattern" src \
        | grep -v '^src/gui/qt/' || true)
if [[ -n "$found" ]]; then
    echo "Qt headers included outside src/gui/qt/:" >&2
    echo "$found" >&2
    exit 1
fi
peers=$(grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.cc' \
        '^[[:space:]]*#[[:space:]]*include[[:space:]]*"gui/qt/' src | grep -v '^src/gui/qt/' || true)
if [[ -n "$peers" ]]; then
    echo "Qt peers included outside src/gui/qt/:" >&2
    echo "$peers" >&2
    exit 1
fi
echo "no Qt header or Qt peer outside src/gui/qt/"
