#!/usr/bin/env bash
# Renders the main window (listed, downloading) and a message box into docs/ for the README.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh"
build="${QUORVIX_BUILD_DIR:-$root/build}"
mkdir -p "$root/docs"
QT_QPA_PLATFORM=offscreen "$build/tests/quorvix-screenshot" "$root/docs"
