#!/usr/bin/env bash
# What a rerun costs after some pictures failed: one album of 2,000 pictures of 64 KiB, of which
# 20 fail their first request (the fake service's --fail-once), downloaded once, then run again
# into the same folder, with the download archive and without it. Prints, for each rerun, the
# pictures and picture bytes it fetched and its wall time.
#
#   bench/archive.sh            RUNS=3 medians of the rerun's wall time
#
# Every request is answered 20 ms late; 15 at a time; save folders on tmpfs (/dev/shm).

source "$(dirname "$0")/common.sh"

FORUM="http://tieba.baidu.com/photo/g?kw=gen-1x2000"
parent=/dev/shm
[ -d /dev/shm ] || parent=/var/tmp
need_tools /usr/bin/time:time
build_release
make_work_dir "$parent"
echo "$(machine_line); save folders in $(df --output=fstype "$WORK" | tail -1) $WORK"

failing=()
for k in $(seq 99 100 1999); do
    failing+=(--fail-once "$(printf 'gen-1x2000_1_%06d' "$k")")
done

# Picture requests and their body bytes in a request log.
picture_counts() {
    sed -n 's|^request http://imgsrc\.baidu\.com/.* -> [0-9]*, \([0-9]*\) bytes.*|\1|p' "$1" |
        awk '{ n += 1; s += $1 } END { printf "%d pictures, %d bytes", n, s }'
}

run() {  # name, save folder, extra options...
    local name="$1" save="$2"
    shift 2
    timed "$WORK/$name.t" "$CLI" download "$FORUM" -v --settings-dir "$WORK/settings" \
        --save "$save" --threads 15 --retries 0 "$@" 2>"$WORK/$name.log" >/dev/null || true
}

archive_walls=()
plain_walls=()
for r in $(seq "$RUNS"); do
    for mode in archive plain; do
        extra=()
        [ "$mode" = archive ] && extra=(--archive "$WORK/archive-$r.sqlite")
        start_fake --latency-ms 20 --picture-bytes 65536 "${failing[@]}"
        run "$mode-first-$r" "$WORK/$mode-$r" "${extra[@]}"
        grep -q "failed: 20" "$WORK/$mode-first-$r.log" || {
            echo "the first run did not fail 20 pictures" >&2
            exit 1
        }
        run "$mode-rerun-$r" "$WORK/$mode-$r" "${extra[@]}"
        stop_fake
        echo "run $r, rerun $mode: $(picture_counts "$WORK/$mode-rerun-$r.log"), $(field "$WORK/$mode-rerun-$r.t" 1) s"
        [ "$(find "$WORK/$mode-$r" -name '*.jpg' | wc -l)" -eq 2000 ] || {
            echo "the $mode rerun did not complete the album" >&2
            exit 1
        }
        if [ "$mode" = archive ]; then
            archive_walls+=("$(field "$WORK/$mode-rerun-$r.t" 1)")
        else
            plain_walls+=("$(field "$WORK/$mode-rerun-$r.t" 1)")
        fi
        rm -rf "$WORK/$mode-$r"
    done
done
a="$(printf '%s\n' "${archive_walls[@]}" | median)"
p="$(printf '%s\n' "${plain_walls[@]}" | median)"
echo "median rerun wall: with the archive $a s, without $p s (ratio $(awk -v a="$a" -v p="$p" 'BEGIN { printf "%.3f", a / p }'))"
