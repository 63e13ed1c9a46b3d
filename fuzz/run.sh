#!/usr/bin/env bash
# Builds the libFuzzer programs (clang, AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# each for a while, starting from the seeds in fuzz/corpus/<name>/.
#   fuzz/run.sh [SECONDS] [NAME...]   SECONDS per program (default 60); NAMEs default to all
# The build goes to build-fuzz/ (or $QUORVIX_FUZZ_DIR). Inputs that reach new code are kept in
# build-fuzz/corpus/<name>/; an input that crashes or breaks a checked property is written to
# build-fuzz/crashes/<name>/ and the script ends with status 1. Keep such an input: copy it into
# fuzz/regressions/<name>/, where the test suite replays it for good.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
[ $# -gt 0 ] && shift
build="${QUORVIX_FUZZ_DIR:-$root/build-fuzz}"

"$root/scripts/setup.sh" --fuzz
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DQUORVIX_FUZZ=ON \
    -DQUORVIX_BUILD_GUI=OFF -DQUORVIX_BUILD_TESTS=OFF -DQUORVIX_SANITIZE="address;undefined" \
    >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for dir in "$root"/fuzz/corpus/*/; do
        names+=("$(basename "$dir")")
    done
fi
cmake --build "$build" -j "$(nproc)" --target "${names[@]/#/fuzz_}"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
failed=()
for name in "${names[@]}"; do
    mkdir -p "$build/corpus/$name" "$build/crashes/$name"
    echo "== fuzz_$name for $seconds s" >&2
    if ! "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/crashes/$name/" \
        "$build/corpus/$name" "$root/fuzz/corpus/$name" 2>"$build/crashes/$name.log"; then
        failed+=("$name")
        tail -n 40 "$build/crashes/$name.log" >&2
    fi
    grep -E "^stat::number_of_executed_units|^Done" "$build/crashes/$name.log" >&2 || true
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Crash or broken property in: ${failed[*]} (inputs in $build/crashes/)" >&2
    exit 1
fi
echo "No crash in ${#names[@]} programs, $seconds s each." >&2
