#!/usr/bin/env bash
# Whole forums of many albums: `quorvix-cli download` of every album (listing included) against
# `aria2c -j 15 -i LIST` on the flat list of the same picture addresses, from the same fake
# service in the same run, and the ideal wall time of quorvix's own requests at 15 in flight.
#
#   bench/albums.sh                 forums gen-600x3, gen-200x10 and gen-20x100
#   SHAPES="200x10" bench/albums.sh only these shapes
#   RUNS=5 bench/albums.sh          runs per client and shape (default 3); medians are printed
#
# Every request is answered 20 ms late (the delay holds up no other request); pictures are
# 64 KiB of JPEG bytes; save folders are on tmpfs (/dev/shm). quorvix's requests are its
# pictures, each album's picture-list pages (one of 200 at most per page, then the empty page
# that ends the album) and the forum's wall pages (30 albums each, then the empty page). The
# ideal is requests x 20 ms / 15 + picture bytes / loopback bandwidth.

source "$(dirname "$0")/common.sh"

SHAPES="${SHAPES:-600x3 200x10 20x100}"
PICTURE_BYTES=65536
LATENCY_MS=20
WORKERS=15

parent=/dev/shm
[ -d /dev/shm ] || parent=/var/tmp
need_tools aria2c:aria2 /usr/bin/time:time python3:python3-minimal
build_release
make_work_dir "$parent"
echo "$(machine_line); save folders in $(df --output=fstype "$WORK" | tail -1) $WORK"
bandwidth="$(loopback_bandwidth)"
start_fake --latency-ms "$LATENCY_MS" --picture-bytes "$PICTURE_BYTES"

# Requests quorvix makes for a forum of A albums of P pictures.
requests_for() {
    local albums="$1" pictures="$2"
    local pages_per_album=$(((pictures + 199) / 200 + 1))
    local wall=$(((albums + 29) / 30 + 1))
    echo "$((albums * pictures)) $((albums * pages_per_album)) $wall"
}

run_quorvix() {
    local shape="$1" run="$2" dir="$WORK/q-$1-$2"
    timed "$WORK/q-$shape-$run.t" "$CLI" download "http://tieba.baidu.com/photo/g?kw=gen-$shape" \
        --settings-dir "$WORK/settings" --save "$dir" --threads "$WORKERS" >/dev/null 2>&1
    [ "$(find "$dir" -name '*.jpg' | wc -l)" -eq "$3" ] || {
        echo "quorvix saved fewer than $3 pictures of gen-$shape" >&2
        exit 1
    }
    rm -rf "$dir"
}

run_aria2c() {
    local shape="$1" run="$2" dir="$WORK/a-$1-$2"
    timed "$WORK/a-$shape-$run.t" aria2c -j "$WORKERS" -i "$WORK/$shape.txt" -d "$dir" \
        --all-proxy="$http_proxy" -q
    [ "$(find "$dir" -name '*.jpg' | wc -l)" -eq "$3" ] || {
        echo "aria2c saved fewer than $3 pictures of gen-$shape" >&2
        exit 1
    }
    rm -rf "$dir"
}

summary=()
for shape in $SHAPES; do
    albums="${shape%x*}"
    per_album="${shape#*x}"
    pictures=$((albums * per_album))
    # The flat list of the same addresses, as quorvix lists them (GBK lists with CR LF).
    "$CLI" download "http://tieba.baidu.com/photo/g?kw=gen-$shape" --settings-dir "$WORK/settings" \
        --save "$WORK/list-$shape" --list-only >/dev/null 2>&1
    find "$WORK/list-$shape" -name '*.lst' -exec cat {} + | tr -d '\r' >"$WORK/$shape.txt"
    [ "$(wc -l <"$WORK/$shape.txt")" -eq "$pictures" ] || {
        echo "expected $pictures addresses for gen-$shape" >&2
        exit 1
    }
    read -r picture_requests list_requests wall_requests <<<"$(requests_for "$albums" "$per_album")"
    total=$((picture_requests + list_requests + wall_requests))
    ideal="$(awk -v n="$total" -v l="$LATENCY_MS" -v w="$WORKERS" -v p="$pictures" \
        -v b="$PICTURE_BYTES" -v bw="$bandwidth" 'BEGIN { printf "%.3f", n * l / 1000 / w + p * b / bw }')"
    echo
    echo "gen-$shape: $picture_requests pictures + $list_requests picture-list pages + $wall_requests wall pages; ideal $ideal s"
    printf '%-4s %-8s %8s %8s %9s\n' run client wall_s cpu_s /ideal
    for i in $(seq "$RUNS"); do
        order="quorvix aria2c"
        [ $((i % 2)) -eq 0 ] && order="aria2c quorvix"
        for client in $order; do
            "run_$client" "$shape" "$i" "$pictures"
        done
        for client in quorvix aria2c; do
            t="$WORK/${client:0:1}-$shape-$i.t"
            printf '%-4s %-8s %8.2f %8.2f %9.2f\n' "$i" "$client" "$(field "$t" 1)" "$(field "$t" 5)" \
                "$(awk -v w="$(field "$t" 1)" -v id="$ideal" 'BEGIN { print w / id }')"
        done
    done
    q="$(for i in $(seq "$RUNS"); do field "$WORK/q-$shape-$i.t" 1; done | median)"
    a="$(for i in $(seq "$RUNS"); do field "$WORK/a-$shape-$i.t" 1; done | median)"
    summary+=("$(awk -v s="gen-$shape" -v q="$q" -v a="$a" -v id="$ideal" 'BEGIN {
        printf "%-11s quorvix %6.2f s  aria2c %6.2f s  ideal %6.2f s  quorvix/ideal %.2f  quorvix/aria2c %.2f", s, q, a, id, q / id, q / a }')")
done

echo
echo "medians of $RUNS runs ($PICTURE_BYTES-byte pictures, $LATENCY_MS ms per request, $WORKERS at a time, loopback $(awk -v b="$bandwidth" 'BEGIN { printf "%.2f", b / 1e9 }') GB/s)"
printf '%s\n' "${summary[@]}"
