#!/usr/bin/env bash
# What a rerun fetches after an interrupt: `quorvix-cli download` of one album is stopped with
# SIGTERM while pictures are on the way, then run again into the same folder. Prints the picture
# bytes a fresh download fetches, the bytes kept in partial files by the interrupted run, and the
# bytes the rerun fetches, and checks that the rerun's folder equals the fresh one byte for byte.
#
#   bench/resume.sh                  forum gen-1x48, 1 MiB pictures at 2 MiB/s each, 8 at a time
#   SHAPE=2x24 BYTES=4194304 RATE=4096 bench/resume.sh   (the service resumes up to 8 MiB)
#
# Each picture is sent at RATE KiB/s, so the interrupt (once a third of the pictures are whole)
# finds transfers half way. Picture bytes are counted from quorvix-cli's own request log (-v):
# body bytes of each picture answer. Save folders are below /var/tmp.

source "$(dirname "$0")/common.sh"

SHAPE="${SHAPE:-1x48}"
BYTES="${BYTES:-1048576}"
RATE="${RATE:-2048}"
THREADS=8
FORUM="http://tieba.baidu.com/photo/g?kw=gen-$SHAPE"

need_tools python3:python3-minimal
build_release
make_work_dir /var/tmp
echo "$(machine_line); save folders in $(df --output=fstype "$WORK" | tail -1) $WORK"
start_fake --latency-ms 20 --picture-bytes "$BYTES" --picture-kib-per-sec "$RATE"

download() {
    "$CLI" download "$FORUM" -v --settings-dir "$WORK/settings" --save "$1" --threads "$THREADS" \
        --name-mode url
}

# Picture body bytes in a request log.
picture_bytes() {
    sed -n 's|^request http://imgsrc\.baidu\.com/.* -> [0-9]*, \([0-9]*\) bytes.*|\1|p' "$1" |
        awk '{ s += $1 } END { print s + 0 }'
}

download "$WORK/fresh" 2>"$WORK/fresh.log" >/dev/null
fresh="$(picture_bytes "$WORK/fresh.log")"

# The interrupt comes once a third of the pictures are whole.
third=$((${SHAPE%x*} * ${SHAPE#*x} / 3))
# The program itself runs in the background (not a subshell around it); a background job of a
# script ignores SIGINT, so the stop is SIGTERM, which the program takes as the same stop.
"$CLI" download "$FORUM" -v --settings-dir "$WORK/settings" --save "$WORK/resumed" \
    --threads "$THREADS" --name-mode url 2>"$WORK/stopped.log" >/dev/null &
cli=$!
while kill -0 "$cli" 2>/dev/null; do
    [ "$(find "$WORK/resumed" -name '*.jpg' 2>/dev/null | wc -l)" -ge "$third" ] && break
    sleep 0.01
done
# Half a picture's time later, so the transfers in flight are half way.
sleep "$(awk -v b="$BYTES" -v r="$RATE" 'BEGIN { printf "%.3f", b / 1024 / r / 2 }')"
kill -TERM "$cli" 2>/dev/null || true
status=0
wait "$cli" || status=$?
kept="$(find "$WORK/resumed" -name '*.quorvix-part' -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')"
partials="$(find "$WORK/resumed" -name '*.quorvix-part' | wc -l)"
whole="$(find "$WORK/resumed" -name '*.jpg' | wc -l)"

download "$WORK/resumed" 2>"$WORK/rerun.log" >/dev/null
rerun="$(picture_bytes "$WORK/rerun.log")"
ranges="$(grep -c ' -> 206,' "$WORK/rerun.log" || true)"

if ! diff -r "$WORK/fresh" "$WORK/resumed" >/dev/null; then
    echo "the resumed folder differs from the fresh one" >&2
    exit 1
fi
echo "interrupted run: exit $status, $whole pictures whole, $partials partial ($kept bytes kept)"
echo "fresh download: $fresh picture bytes"
echo "rerun:          $rerun picture bytes ($ranges pictures continued by range)"
awk -v f="$fresh" -v r="$rerun" -v k="$kept" 'BEGIN {
    printf "rerun / fresh: %.3f; bytes saved by resuming: %d (%.1f %% of the fresh download)\n",
        r / f, f - r, 100 * (f - r) / f }'
echo "folders equal byte for byte"
