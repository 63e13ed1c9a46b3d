#!/usr/bin/env bash
# Configures and builds Quorvix into build/ (or $QUORVIX_BUILD_DIR) with Ninja.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVIX_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
