#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Quorvix need.
# Idempotent: apt-get runs only when a package is missing.
#   scripts/setup.sh          what building, testing (also under sanitizers) and running need
#   scripts/setup.sh --fuzz   and clang with libFuzzer, for fuzz/run.sh
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-translations-l10n libqt6svg6
    qt6-webengine-dev libqt6webenginecore6-bin
    libcurl4-openssl-dev zlib1g-dev libsqlite3-dev
    libgtest-dev libgmock-dev
    fonts-noto-cjk
    appstream desktop-file-utils man-db
    aria2
)
if [ "${1:-}" = "--fuzz" ]; then
    packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
