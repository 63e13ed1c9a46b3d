#!/usr/bin/env bash
# The preview layout with many albums: lists a forum in the main window (offscreen, against the
# fake service), switches to the preview layout, waits for every cover, then scrolls from the top
# to the bottom one page at a time. Prints the times, the slowest page and the peak resident
# memory of the program.
#
#   bench/preview.sh                    forum gen-30000x1 (30,000 albums, one cover each)
#   ALBUMS=3000 bench/preview.sh
#
# Needs the desktop program's build (the GUI); it uses build/ (or $QUORVIX_BUILD_DIR).

set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVIX_BUILD_DIR:-$root/build}"
albums="${ALBUMS:-30000}"
"$root/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target quorvix-preview-bench >/dev/null
echo "machine: $(nproc) cores, $(uname -sr), build $(basename "$build")"
QT_QPA_PLATFORM=offscreen "$build/tests/quorvix-preview-bench" "gen-${albums}x1" 2>/dev/null
