#!/usr/bin/env bash
# A forum handed to aria2 against downloaded by quorvix itself: `quorvix-cli download` of every
# album of gen-200x10 (200 albums of 10 pictures of 64 KiB), once with its own transfers (15 at
# a time) and once with --aria2-rpc to an aria2c daemon on loopback (15 downloads at a time,
# fetching from the same fake service), in the same run. Prints the wall times and their ratio.
#
#   RUNS=3 bench/aria2.sh     runs per way (default 3); medians are printed
#
# Every request is answered 20 ms late; save folders on tmpfs (/dev/shm).

source "$(dirname "$0")/common.sh"

SHAPE="${SHAPE:-200x10}"
FORUM="http://tieba.baidu.com/photo/g?kw=gen-$SHAPE"
PICTURES=$((${SHAPE%x*} * ${SHAPE#*x}))
parent=/dev/shm
[ -d /dev/shm ] || parent=/var/tmp
need_tools aria2c:aria2 /usr/bin/time:time python3:python3-minimal curl:curl
build_release
make_work_dir "$parent"
echo "$(machine_line); save folders in $(df --output=fstype "$WORK" | tail -1) $WORK"
start_fake --latency-ms 20 --picture-bytes 65536

port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
secret="bench$RANDOM$RANDOM"
aria2c --enable-rpc --rpc-listen-all=false --rpc-listen-port="$port" --rpc-secret="$secret" \
    --all-proxy="$http_proxy" --no-conf --quiet --dir="$WORK" --max-concurrent-downloads=15 \
    --file-allocation=none --stop-with-process=$$ &
ARIA2_PID=$!
trap 'kill "$ARIA2_PID" 2>/dev/null || true; cleanup' EXIT
for _ in $(seq 100); do
    curl -s --noproxy '*' -d '{"jsonrpc":"2.0","id":1,"method":"aria2.getVersion","params":["token:'"$secret"'"]}' \
        "http://127.0.0.1:$port/jsonrpc" | grep -q version && break
    sleep 0.05
done

own=()
handed=()
for r in $(seq "$RUNS"); do
    for way in own handed; do
        extra=()
        [ "$way" = handed ] && extra=(--aria2-rpc "http://127.0.0.1:$port/jsonrpc" --aria2-secret "$secret")
        timed "$WORK/$way-$r.t" "$CLI" download "$FORUM" --settings-dir "$WORK/settings" \
            --save "$WORK/$way-$r" --threads 15 "${extra[@]}" >/dev/null 2>&1
        [ "$(find "$WORK/$way-$r" -name '*.jpg' | wc -l)" -eq "$PICTURES" ] || {
            echo "$way saved fewer than $PICTURES pictures" >&2
            exit 1
        }
        wall="$(field "$WORK/$way-$r.t" 1)"
        echo "run $r, $way: $wall s"
        if [ "$way" = own ]; then own+=("$wall"); else handed+=("$wall"); fi
        rm -rf "$WORK/$way-$r"
    done
done
o="$(printf '%s\n' "${own[@]}" | median)"
h="$(printf '%s\n' "${handed[@]}" | median)"
echo "median wall: quorvix's own transfers $o s, handed to aria2 $h s (ratio $(awk -v h="$h" -v o="$o" 'BEGIN { printf "%.2f", h / o }'))"
