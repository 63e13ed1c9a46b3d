#!/usr/bin/env bash
# Renders the main window with the demo forum listed into docs/main-window.png.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh"
build="${QUORVIX_BUILD_DIR:-$root/build}"
mkdir -p "$root/docs"
QT_QPA_PLATFORM=offscreen "$build/tests/quorvix-screenshot" "$root/docs/main-window.png"
echo "wrote docs/main-window.png"
