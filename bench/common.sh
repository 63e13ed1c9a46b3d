# Shared by the benchmark scripts (sourced, not run): tools, the build, the fake service, timing.
# Everything runs on 127.0.0.1; the fake service stops when its stdin closes or at exit.

set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${QUORVIX_BUILD:-$REPO/build-bench}"
CLI="$BUILD/src/cli/quorvix-cli"
FAKE="$BUILD/tests/fakeservice/quorvix-fakeservice"
RUNS="${RUNS:-3}"
FAKE_PID=""
WORK=""

# Installs the Debian packages of the given commands when a command is missing ("cmd:package").
need_tools() {
    local missing=() pair
    for pair in "$@"; do
        command -v "${pair%%:*}" >/dev/null 2>&1 || missing+=("${pair#*:}")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}" >&2
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures (Release, no GUI) and builds quorvix-cli and the fake service; a no-op when current.
build_release() {
    if [ ! -f "$BUILD/CMakeCache.txt" ]; then
        cmake -S "$REPO" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DQUORVIX_BUILD_GUI=OFF >/dev/null
    fi
    cmake --build "$BUILD" --target quorvix-cli quorvix-fakeservice >/dev/null
}

# A fresh work folder (removed at exit): below $BENCH_DIR, else the given default parent.
make_work_dir() {
    local parent="${BENCH_DIR:-$1}"
    mkdir -p "$parent"
    WORK="$(mktemp -d "$parent/quorvix-bench.XXXXXX")"
    mkdir -p "$WORK/settings"
}

cleanup() {
    stop_fake
    if [ -n "$WORK" ]; then
        rm -rf "$WORK"
    fi
}
trap cleanup EXIT

# Starts the fake service with the given options; sets FAKE_PID and exports http_proxy.
start_fake() {
    local fifo="$WORK/fake.in"
    rm -f "$fifo" "$WORK/fake.out"
    mkfifo "$fifo"
    "$FAKE" --idle-exit-sec 120 "$@" <"$fifo" >"$WORK/fake.out" 2>"$WORK/fake.err" &
    FAKE_PID=$!
    exec {FAKE_IN}>"$fifo"  # the service runs while this stays open
    local port="" i
    for i in $(seq 200); do
        port="$(sed -n 's/^PORT //p' "$WORK/fake.out")"
        [ -n "$port" ] && break
        sleep 0.05
    done
    if [ -z "$port" ]; then
        echo "the fake service did not start" >&2
        exit 1
    fi
    export http_proxy="http://127.0.0.1:$port"
    unset no_proxy NO_PROXY HTTP_PROXY all_proxy ALL_PROXY
}

stop_fake() {
    if [ -n "$FAKE_PID" ]; then
        exec {FAKE_IN}>&-
        wait "$FAKE_PID" 2>/dev/null || true
        FAKE_PID=""
    fi
}

# CPU seconds (user + system) the fake service has used so far.
fake_cpu() {
    awk -v hz="$(getconf CLK_TCK)" '{ printf "%.3f\n", ($14 + $15) / hz }' "/proc/$FAKE_PID/stat"
}

# Runs a command under GNU time; the figures go to the file named first:
# "wall user system maxrss_kb".
timed() {
    local out="$1"
    shift
    /usr/bin/time -f '%e %U %S %M' -o "$out" "$@"
}

# Field n (1 wall, 2 user, 3 system, 4 peak KiB) of a timing file; 5 gives user + system.
field() {
    awk -v n="$2" 'END { print (n == 5) ? $2 + $3 : $n }' "$1"
}

# The median of the numbers on standard input.
median() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Prints the machine the figures come from.
machine_line() {
    local cpu
    cpu="$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
    echo "machine: $(nproc) cores ($cpu), $(uname -sr), build $(basename "$BUILD") (Release)"
}

# Loopback bandwidth: 1 GiB through one TCP connection on 127.0.0.1, best of three.
loopback_bandwidth() {
    python3 - <<'EOF'
import socket, threading, time
def once(total=1 << 30, size=1 << 16):
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    def send():
        with socket.create_connection(server.getsockname()) as out:
            chunk = b"\0" * size
            for _ in range(total // size):
                out.sendall(chunk)
    sender = threading.Thread(target=send)
    start = time.perf_counter()
    sender.start()
    conn, _ = server.accept()
    buffer, got = bytearray(size), 0
    while True:
        n = conn.recv_into(buffer)
        if not n:
            break
        got += n
    seconds = time.perf_counter() - start
    sender.join()
    conn.close()
    server.close()
    return got / seconds
print("%.0f" % max(once() for _ in range(3)))
EOF
}
