#!/usr/bin/env bash
# Memory while downloading large pictures: one forum album of 15 pictures of 200 MiB each,
# downloaded by `quorvix-cli download` with 15 workers, so all 15 bodies arrive at once. The fake
# service makes each body while it sends it. For comparison, aria2c fetches the same addresses.
#
#   bench/memory.sh                 save folders on disk (/var/tmp, or $BENCH_DIR)
#   RUNS=1 bench/memory.sh          runs per client (default 3); medians are printed
#
# Prints the peak resident memory (and wall and CPU time) of quorvix-cli and of aria2c, and the
# peak resident memory of the fake service.

source "$(dirname "$0")/common.sh"

PICTURES=15
PICTURE_BYTES=$((200 * 1024 * 1024))
WORKERS=15
ADDRESS="http://tieba.baidu.com/photo/g?kw=gen-1x$PICTURES"

need_tools aria2c:aria2 /usr/bin/time:time
build_release
make_work_dir /var/tmp
echo "$(machine_line); save folders in $(df --output=fstype "$WORK" | tail -1) $WORK"
free_kib="$(df --output=avail -k "$WORK" | tail -1)"
if [ "$free_kib" -lt $((2 * PICTURES * PICTURE_BYTES / 1024)) ]; then
    echo "needs $((2 * PICTURES * PICTURE_BYTES / 1024 / 1024)) MiB free in $WORK" >&2
    exit 1
fi

start_fake --picture-bytes "$PICTURE_BYTES"
"$CLI" download "$ADDRESS" --settings-dir "$WORK/settings" --save "$WORK/list" --list-only \
    >/dev/null 2>&1
tr -d '\r' <"$(find "$WORK/list" -name '*.lst' | head -1)" >"$WORK/addresses.txt"

# Every picture whole: the right size, a JPEG start and end.
check_saved() {
    local dir="$1" file count=0
    while IFS= read -r -d '' file; do
        [ "$(stat -c %s "$file")" -eq "$PICTURE_BYTES" ] || return 1
        [ "$(head -c 2 "$file" | od -An -tx1 | tr -d ' ')" = ffd8 ] || return 1
        [ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' ')" = ffd9 ] || return 1
        count=$((count + 1))
    done < <(find "$dir" -name '*.jpg' -print0)
    [ "$count" -eq "$PICTURES" ]
}

printf '%-4s %-8s %8s %8s %10s\n' run client wall_s cpu_s peak_MiB
for i in $(seq "$RUNS"); do
    timed "$WORK/q$i.t" "$CLI" download "$ADDRESS" --settings-dir "$WORK/settings" \
        --save "$WORK/q$i" --threads "$WORKERS" >/dev/null 2>&1
    check_saved "$WORK/q$i" || {
        echo "quorvix did not save every picture whole" >&2
        exit 1
    }
    rm -rf "$WORK/q$i"
    timed "$WORK/a$i.t" aria2c -j "$WORKERS" -i "$WORK/addresses.txt" -d "$WORK/a$i" \
        --all-proxy="$http_proxy" -q
    check_saved "$WORK/a$i" || {
        echo "aria2c did not save every picture whole" >&2
        exit 1
    }
    rm -rf "$WORK/a$i"
    for client in quorvix aria2c; do
        t="$WORK/${client:0:1}$i.t"
        printf '%-4s %-8s %8.2f %8.2f %10.1f\n' "$i" "$client" "$(field "$t" 1)" \
            "$(field "$t" 5)" "$(awk -v k="$(field "$t" 4)" 'BEGIN { print k / 1024 }')"
    done
done

med() { for i in $(seq "$RUNS"); do field "$WORK/$1$i.t" "$2"; done | median; }
server_peak="$(sed -n 's/^VmHWM:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$FAKE_PID/status")"
echo
echo "medians of $RUNS runs ($PICTURES pictures of $((PICTURE_BYTES / 1024 / 1024)) MiB, $WORKERS at a time)"
awk -v qm="$(med q 4)" -v am="$(med a 4)" -v qw="$(med q 1)" -v aw="$(med a 1)" \
    -v qc="$(med q 5)" -v ac="$(med a 5)" -v sm="$server_peak" 'BEGIN {
    printf "quorvix-cli download: peak resident %.1f MiB (wall %.1f s, CPU %.1f s)\n", qm / 1024, qw, qc
    printf "aria2c -j 15 -i LIST: peak resident %.1f MiB (wall %.1f s, CPU %.1f s)\n", am / 1024, aw, ac
    printf "fake service: peak resident %.1f MiB\n", sm / 1024
}'
