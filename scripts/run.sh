#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quorvix.
#   scripts/run.sh [ARGS...]       runs the program with ARGS
#   scripts/run.sh --demo          runs it against the built-in fake service (no real services
#                                  needed): lists the demo forum's albums
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build="${QUORVIX_BUILD_DIR:-$root/build}"
cli="$build/src/cli/quorvix-cli"

if [ "${1:-}" != "--demo" ]; then
    exec "$cli" "$@"
fi
shift
# The fake service answers the album service, the forum and the picture hosts on loopback; the
# program reaches it through http_proxy. It stops when this script ends.
coproc FAKE { exec "$build/tests/fakeservice/quorvix-fakeservice" --idle-exit-sec 3600; }
trap 'kill "$FAKE_PID" 2>/dev/null || true' EXIT
read -r line <&"${FAKE[0]}"
export http_proxy="http://127.0.0.1:${line#PORT }"
demo_settings="$(mktemp -d)"
echo "Demo: listing the albums of the fake forum 'demo' (http_proxy=$http_proxy)" >&2
"$cli" list "http://tieba.baidu.com/photo/g?kw=demo" --settings-dir "$demo_settings" "$@"
