#!/usr/bin/env bash
# Installs what is missing, builds, and starts the Quorvix desktop program.
#   scripts/run.sh [ARGS...]   starts the program with ARGS (see quorvix --help)
#   scripts/run.sh --demo      starts it against the built-in fake service, with the demo forum's
#                              address filled in: the whole flow works without the real services
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build="${QUORVIX_BUILD_DIR:-$root/build}"
program="$build/src/gui/quorvix"

if [ "${1:-}" != "--demo" ]; then
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
echo "Demo against the fake service (http_proxy=$http_proxy); settings and pictures in $demo" >&2
"$program" --settings-dir "$demo" --address "http://tieba.baidu.com/photo/g?kw=demo" "$@"
