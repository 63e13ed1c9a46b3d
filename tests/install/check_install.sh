#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what users and desktops look for there.
#   check_install.sh BUILD_DIR GUI(ON|OFF)
set -euo pipefail
build="$1"
gui="$2"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
expect() {
    if [ ! -e "$prefix/$1" ]; then
        echo "missing: $1" >&2
        fail=1
    fi
}
expect bin/quorvix-cli
expect share/man/man1/quorvix-cli.1
expect share/bash-completion/completions/quorvix-cli
"$prefix/bin/quorvix-cli" --version | grep -q '^quorvix-cli [0-9]' || { echo "no version" >&2; fail=1; }
# The manual page renders without warnings.
if ! LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/quorvix-cli.1" \
    2>"$prefix/warnings" >/dev/null || [ -s "$prefix/warnings" ]; then
    cat "$prefix/warnings" >&2
    fail=1
fi
bash -n "$prefix/share/bash-completion/completions/quorvix-cli" || fail=1

if [ "$gui" = ON ]; then
    expect bin/quorvix
    expect share/man/man1/quorvix.1
    expect share/applications/quorvix.desktop
    expect share/icons/hicolor/scalable/apps/quorvix.svg
    metainfo="share/metainfo/io.github.quorvix.Quorvix.metainfo.xml"
    expect "$metainfo"
    desktop="$prefix/share/applications/quorvix.desktop"
    grep -qx 'Exec=quorvix %u' "$desktop" || { echo "desktop entry takes no address" >&2; fail=1; }
    desktop-file-validate "$desktop" || fail=1
    appstreamcli validate --no-net "$prefix/$metainfo" >/dev/null || {
        appstreamcli validate --no-net "$prefix/$metainfo" >&2
        fail=1
    }
    QT_QPA_PLATFORM=offscreen "$prefix/bin/quorvix" --version | grep -q '^quorvix [0-9]' ||
        { echo "quorvix prints no version" >&2; fail=1; }
fi
exit $fail
