#!/usr/bin/env bash
# Download throughput: a forum album of 2,000 pictures of 64 KiB (JPEG bytes), every request
# answered 20 ms late (the delay holds up no other request), downloaded by `quorvix-cli download`
# with 15 workers and by `aria2c -j 15 -i LIST` from the same fake service in the same run.
#
#   bench/throughput.sh            save folders on tmpfs (/dev/shm): the engines, not the disk
#   bench/throughput.sh --disk     save folders on disk (/var/tmp, or $BENCH_DIR)
#   RUNS=5 bench/throughput.sh     runs per client (default 3); medians are printed
#
# Prints per run and as medians: wall time, CPU time (user + system), peak memory; the ratio
# quorvix/aria2c of each run; the ideal wall time (pictures x latency / 15 + bytes / loopback
# bandwidth); and what the fake service can serve, to show it is not the bottleneck.

source "$(dirname "$0")/common.sh"

PICTURES=2000
PICTURE_BYTES=65536
LATENCY_MS=20
WORKERS=15
ADDRESS="http://tieba.baidu.com/photo/g?kw=gen-1x$PICTURES"
# List requests quorvix needs: two album-wall pages (the second is empty; a few more are asked for
# ahead of it) and the picture-list pages of 200 (the last is empty). Each waits LATENCY_MS.
LIST_REQUESTS=$((2 + PICTURES / 200 + 1))

parent=/dev/shm
[ -d /dev/shm ] || parent=/var/tmp
if [ "${1:-}" = "--disk" ]; then
    parent=/var/tmp
fi
need_tools aria2c:aria2 /usr/bin/time:time curl:curl python3:python3-minimal
build_release
make_work_dir "$parent"
echo "$(machine_line); save folders in $(df --output=fstype "$WORK" | tail -1) $WORK"

start_fake --latency-ms "$LATENCY_MS" --picture-bytes "$PICTURE_BYTES"

# The addresses, as quorvix lists them (list-only mode writes a GBK list with CR LF).
"$CLI" download "$ADDRESS" --settings-dir "$WORK/settings" --save "$WORK/list" --list-only \
    >/dev/null 2>&1
tr -d '\r' <"$(find "$WORK/list" -name '*.lst' | head -1)" >"$WORK/addresses.txt"
[ "$(wc -l <"$WORK/addresses.txt")" -eq "$PICTURES" ] || {
    echo "expected $PICTURES addresses" >&2
    exit 1
}
awk '{ print "url = " $0; print "output = /dev/null" }' "$WORK/addresses.txt" >"$WORK/curl.cfg"

bandwidth="$(loopback_bandwidth)"

# What the service delivers to a plain parallel client at 15 and at 60 connections.
probe() {
    timed "$WORK/probe.t" curl -s -Z --parallel-max "$1" -x "$http_proxy" -K "$WORK/curl.cfg" \
        2>/dev/null
    field "$WORK/probe.t" 1
}
probe15="$(probe 15)"
probe60="$(probe 60)"

# One quorvix run: timing file, and the seconds until the album's listing ended (its pages share
# the 15 slots with the pictures, so it runs alongside the downloads to near their end).
run_quorvix() {
    local dir="$WORK/q$1" start began
    start="$EPOCHREALTIME"
    timed "$WORK/q$1.t" "$CLI" download "$ADDRESS" --settings-dir "$WORK/settings" \
        --save "$dir" --threads "$WORKERS" 2>&1 >/dev/null |
        while IFS= read -r line; do
            if [ "$line" = "已开始下载图片" ]; then
                echo "$EPOCHREALTIME"
            fi
        done >"$WORK/q$1.began"
    began="$(head -1 "$WORK/q$1.began")"
    awk -v a="$start" -v b="$began" 'BEGIN { printf "%.3f\n", b - a }' >"$WORK/q$1.listing"
    [ "$(find "$dir" -name '*.jpg' | wc -l)" -eq "$PICTURES" ] || {
        echo "quorvix saved fewer than $PICTURES pictures" >&2
        exit 1
    }
}

run_aria2c() {
    local dir="$WORK/a$1"
    timed "$WORK/a$1.t" aria2c -j "$WORKERS" -i "$WORK/addresses.txt" -d "$dir" \
        --all-proxy="$http_proxy" -q
    [ "$(find "$dir" -name '*.jpg' | wc -l)" -eq "$PICTURES" ] || {
        echo "aria2c saved fewer than $PICTURES pictures" >&2
        exit 1
    }
}

printf '%-4s %-8s %8s %8s %10s %9s %10s %9s\n' run client wall_s cpu_s cpu_ms/pic peak_MiB \
    server_cpu ratio
for i in $(seq "$RUNS"); do
    # The order alternates, so neither client always runs second.
    order="quorvix aria2c"
    [ $((i % 2)) -eq 0 ] && order="aria2c quorvix"
    for client in $order; do
        before="$(fake_cpu)"
        "run_$client" "$i"
        after="$(fake_cpu)"
        t="$WORK/${client:0:1}$i.t"
        awk -v s="$after" -v b="$before" 'BEGIN { printf "%.2f\n", s - b }' >"$t.server"
    done
    ratio="$(awk -v q="$(field "$WORK/q$i.t" 1)" -v a="$(field "$WORK/a$i.t" 1)" \
        'BEGIN { printf "%.3f", q / a }')"
    echo "$ratio" >>"$WORK/ratios"
    for client in quorvix aria2c; do
        t="$WORK/${client:0:1}$i.t"
        printf '%-4s %-8s %8.2f %8.2f %10.3f %9.1f %10s %9s\n' "$i" "$client" \
            "$(field "$t" 1)" "$(field "$t" 5)" \
            "$(awk -v c="$(field "$t" 5)" -v n="$PICTURES" 'BEGIN { print c * 1000 / n }')" \
            "$(awk -v k="$(field "$t" 4)" 'BEGIN { print k / 1024 }')" "$(cat "$t.server")" \
            "$([ "$client" = quorvix ] && echo "$ratio" || echo "")"
    done
done

med() { for i in $(seq "$RUNS"); do field "$WORK/$1$i.t" "$2"; done | median; }
q_wall="$(med q 1)"
a_wall="$(med a 1)"
q_cpu="$(med q 5)"
a_cpu="$(med a 5)"
listing="$(for i in $(seq "$RUNS"); do cat "$WORK/q$i.listing"; done | median)"
ideal="$(awk -v n="$PICTURES" -v l="$LATENCY_MS" -v w="$WORKERS" -v b="$PICTURE_BYTES" \
    -v bw="$bandwidth" 'BEGIN { printf "%.3f", n * l / 1000 / w + n * b / bw }')"

echo
echo "medians of $RUNS runs ($PICTURES pictures of $PICTURE_BYTES bytes, $LATENCY_MS ms per request, $WORKERS at a time)"
awk -v qw="$q_wall" -v aw="$a_wall" -v qc="$q_cpu" -v ac="$a_cpu" -v n="$PICTURES" \
    -v qm="$(med q 4)" -v am="$(med a 4)" -v r="$(median <"$WORK/ratios")" -v id="$ideal" \
    -v li="$listing" -v lr="$LIST_REQUESTS" -v l="$LATENCY_MS" -v bw="$bandwidth" -v p15="$probe15" -v p60="$probe60" 'BEGIN {
    printf "quorvix-cli download: wall %.2f s, CPU %.2f s (%.3f ms/picture), peak %.1f MiB\n", qw, qc, qc * 1000 / n, qm / 1024
    printf "aria2c -j 15 -i LIST: wall %.2f s, CPU %.2f s (%.3f ms/picture), peak %.1f MiB\n", aw, ac, ac * 1000 / n, am / 1024
    printf "ratio quorvix/aria2c (median of the per-run ratios): %.2f\n", r
    printf "ideal: %.3f s (loopback %.2f GB/s); quorvix/ideal %.2f\n", id, bw / 1e9, qw / id
    printf "quorvix listing (%d requests, %.2f s of it waiting) ran alongside the downloads and ended after %.2f s\n", lr, lr * l / 1000, li
    printf "fake service: curl -Z, 15 connections %.2f s (%.0f pictures/s); 60 connections %.2f s (%.0f pictures/s)\n", p15, n / p15, p60, n / p60
    printf "clients asked for: quorvix %.0f pictures/s, aria2c %.0f pictures/s\n", n / qw, n / aw
}'
