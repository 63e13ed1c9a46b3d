#!/usr/bin/env bash
# Builds the core, quorvix-cli and the tests without the GUI under sanitizers and runs the whole
# suite; any sanitizer report fails the run.
#   scripts/sanitize.sh [address|thread|all]   (default: all)
# address: AddressSanitizer + UndefinedBehaviorSanitizer, in build-asan/ (or $QUORVIX_ASAN_DIR)
# thread:  ThreadSanitizer, in build-tsan/ (or $QUORVIX_TSAN_DIR); Qt and libcurl are not
#          instrumented, so scripts/tsan.supp may name their internals, never this project's code.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
which="${1:-all}"
case "$which" in
    address|thread|all) ;;
    *) echo "usage: $0 [address|thread|all]" >&2; exit 1 ;;
esac
"$root/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen

run_suite() {
    local build="$1" sanitize="$2"
    echo "== $sanitize: building in $build" >&2
    # -O1 -g1: reports keep file and line, and the build takes about half as long as -O2 -g.
    cmake -S "$root" -B "$build" -G Ninja -DQUORVIX_BUILD_GUI=OFF \
        -DQUORVIX_SANITIZE="$sanitize" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
        >/dev/null
    cmake --build "$build" -j "$(nproc)"
    echo "== $sanitize: running the suite" >&2
    (cd "$build" && ctest --output-on-failure -j "$(nproc)" --timeout 900)
}

if [ "$which" = address ] || [ "$which" = all ]; then
    # Every report ends the process with a failure; programs the tests start inherit this.
    ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1" \
    UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
        run_suite "${QUORVIX_ASAN_DIR:-$root/build-asan}" "address;undefined"
fi
if [ "$which" = thread ] || [ "$which" = all ]; then
    # die_after_fork=0: the tests start quorvix-cli from processes that already run threads; the
    # child only replaces itself with the program.
    tsan="halt_on_error=1:die_after_fork=0:second_deadlock_stack=1"
    TSAN_OPTIONS="$tsan:suppressions=$root/scripts/tsan.supp" \
        run_suite "${QUORVIX_TSAN_DIR:-$root/build-tsan}" "thread"
fi
