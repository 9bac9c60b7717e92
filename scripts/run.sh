#!/usr/bin/env bash
# Opens the wizard against the local sandbox service: starts BUILD/bin/qimport-sandbox on a free
# port of 127.0.0.1, points qimport at it and stops the service when the wizard exits.
# Usage: scripts/run.sh [build-dir] [more qimport options]
set -euo pipefail
build=${1:-build}
[ $# -gt 0 ] && shift

# Needs a display: say so plainly instead of failing inside Qt.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    echo "Run 'make run' from a desktop session, or under a virtual display: xvfb-run make run" >&2
    exit 2
fi

app="$build/bin/qimport"
sandbox="$build/bin/qimport-sandbox"
for exe in "$app" "$sandbox"; do
    if [ ! -x "$exe" ]; then
        echo "$exe is missing; build first (make build)." >&2
        exit 1
    fi
done

# The service keeps its certificates between runs, so its CA stays the same one.
data="$build/sandbox-data"
mkdir -p "$data"
out="$data/sandbox.out"
: >"$out"

# The service also ends when its standard input closes, so it never outlives this script,
# even when the script itself is killed.
fifo="$data/stdin.$$"
rm -f "$fifo"
mkfifo "$fifo"
"$sandbox" --port 0 --data-dir "$data" --exit-with-stdin >"$out" 2>&1 <"$fifo" &
sandbox_pid=$!
exec {keep_open}>"$fifo"

stop_sandbox() {
    exec {keep_open}>&-
    kill "$sandbox_pid" 2>/dev/null || true
    wait "$sandbox_pid" 2>/dev/null || true
    rm -f "$fifo"
}
trap stop_sandbox EXIT
trap 'exit 130' INT TERM

ready=""
for _ in $(seq 1 200); do
    ready=$(grep -m1 '^READY ' "$out" || true)
    [ -n "$ready" ] && break
    if ! kill -0 "$sandbox_pid" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
if [ -z "$ready" ]; then
    echo "The sandbox service did not start:" >&2
    cat "$out" >&2
    exit 1
fi

port=$(sed -n 's/^READY port=\([0-9]*\) .*/\1/p' <<<"$ready")
ca=${ready#*ca=}
echo "Sandbox service on 127.0.0.1:$port (demo account 123456789 / demo@example.org, see docs/sandbox.md)"

set +e
"$app" --host "127.0.0.1:$port" --ca-file "$ca" "$@"
status=$?
set -e
exit "$status"
