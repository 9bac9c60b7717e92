#!/usr/bin/env bash
# Runs every benchmark once and prints its figures. Usage: scripts/bench.sh [build-dir]
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
BIN="$BUILD/bin"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

status=0
for bench in bench_source bench_exchange bench_importer bench_cli bench_precheck bench_startup; do
    echo
    "$BIN/$bench" || { echo "$bench failed" >&2; status=1; }
done
exit "$status"
