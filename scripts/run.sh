#!/usr/bin/env bash
# Installs what is missing, builds, and starts the Quorvix desktop program.
#   scripts/run.sh [ARGS...]   starts the program with ARGS (see quorvix --help)
#   scripts/run.sh --demo      starts it against the built-in fake service, with the demo forum's
#                              address filled in: the whole flow works without the real services
#   scripts/run.sh --demo-cli COMMAND ARGS...
#                              runs quorvix-cli COMMAND ARGS against the fake service instead
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build="${QUORVIX_BUILD_DIR:-$root/build}"
program="$build/src/gui/quorvix"

mode="${1:-}"
if [ "$mode" != "--demo" ] && [ "$mode" != "--demo-cli" ]; then
    exec "$program" "$@"
fi
shift
# The fake service answers the album service, the forum and the picture hosts on loopback; the
# program reaches it through http_proxy. It stops when this script ends.
coproc FAKE { exec "$build/tests/fakeservice/quorvix-fakeservice" --idle-exit-sec 3600; }
trap 'kill "$FAKE_PID" 2>/dev/null || true' EXIT
read -r line <&"${FAKE[0]}"
export http_proxy="http://127.0.0.1:${line#PORT }"
demo="$(mktemp -d)"
# The demo's settings, cookies and folder records stay out of the user's own.
export XDG_DATA_HOME="$demo"
if [ "$mode" = "--demo-cli" ]; then
    cli="$build/src/cli/quorvix-cli"
    case "${1:-}" in
        list | download) "$cli" "$1" --settings-dir "$demo" "${@:2}" ;;
        *) "$cli" "$@" ;;
    esac
    exit
fi
echo "Demo against the fake service (http_proxy=$http_proxy); settings and pictures in $demo" >&2
"$program" --settings-dir "$demo" --address "http://tieba.baidu.com/photo/g?kw=demo" "$@"
