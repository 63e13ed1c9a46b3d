#!/usr/bin/env bash
# Listing and naming cost: a forum of 3,000 albums (100 wall pages of 30) listed by
# `quorvix-cli list`, and one album of 50,000 pictures (250 pages of 200) listed and named by
# `quorvix-cli download --list-only` (no picture is fetched; the address list is written). Every
# request is answered 20 ms late, so the wall time is mostly waiting; the CPU time is the cost.
#
#   bench/listing.sh                 work folder on tmpfs (/dev/shm, or $BENCH_DIR)
#   RUNS=5 bench/listing.sh          runs of each (default 3); medians are printed
#   LATENCY_MS=0 bench/listing.sh    without the added delay

source "$(dirname "$0")/common.sh"

LATENCY_MS="${LATENCY_MS:-20}"
FORUM="http://tieba.baidu.com/photo/g?kw=gen-3000x10"
ALBUM="http://tieba.baidu.com/photo/g?kw=gen-1x50000"

parent=/dev/shm
[ -d /dev/shm ] || parent=/var/tmp
need_tools /usr/bin/time:time
build_release
make_work_dir "$parent"
echo "$(machine_line); $LATENCY_MS ms per request"
start_fake --latency-ms "$LATENCY_MS"

printf '%-4s %-34s %8s %8s %9s %9s\n' run command wall_s cpu_s requests peak_MiB
for i in $(seq "$RUNS"); do
    timed "$WORK/f$i.t" "$CLI" list "$FORUM" --settings-dir "$WORK/settings" >"$WORK/f$i.out" \
        2>/dev/null
    [ "$(wc -l <"$WORK/f$i.out")" -eq 3000 ] || {
        echo "expected 3000 albums" >&2
        exit 1
    }
    timed "$WORK/p$i.t" "$CLI" download "$ALBUM" --settings-dir "$WORK/settings" \
        --save "$WORK/p$i" --list-only >/dev/null 2>&1
    [ "$(find "$WORK/p$i" -name '*.lst' -exec cat {} + | wc -l)" -eq 50000 ] || {
        echo "expected 50000 listed pictures" >&2
        exit 1
    }
    for kind in f p; do
        t="$WORK/$kind$i.t"
        label="list gen-3000x10 (3,000 albums)"
        pages=101
        if [ "$kind" = p ]; then
            label="download --list-only gen-1x50000"
            pages=$((2 + 251))
        fi
        printf '%-4s %-34s %8.2f %8.2f %9s %9.1f\n' "$i" "$label" "$(field "$t" 1)" \
            "$(field "$t" 5)" "$pages" "$(awk -v k="$(field "$t" 4)" 'BEGIN { print k / 1024 }')"
    done
done

med() { for i in $(seq "$RUNS"); do field "$WORK/$1$i.t" "$2"; done | median; }
echo
echo "medians of $RUNS runs; waiting = requests x $LATENCY_MS ms"
awk -v fw="$(med f 1)" -v fc="$(med f 5)" -v pw="$(med p 1)" -v pc="$(med p 5)" \
    -v l="$LATENCY_MS" 'BEGIN {
    printf "forum of 3,000 albums, listed: wall %.2f s (waiting %.2f s), CPU %.2f s\n", fw, 101 * l / 1000, fc
    printf "album of 50,000 pictures, listed and named: wall %.2f s (waiting %.2f s), CPU %.2f s\n", pw, 253 * l / 1000, pc
}'
