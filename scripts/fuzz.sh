#!/usr/bin/env bash
# Builds the source file fuzz target with clang and runs it for a while.
# Usage: scripts/fuzz.sh [seconds] [build-dir]   (defaults: 300, build)
set -euo pipefail

SECONDS_TO_RUN="${1:-300}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${2:-$ROOT/build}"
OUT="$BUILD/fuzz"
mkdir -p "$OUT/corpus"

CXX=clang++-14
command -v "$CXX" >/dev/null || { echo "clang++-14 is needed (apt-get install clang-14 libclang-rt-14-dev)" >&2; exit 1; }

SOURCES=(
    "$ROOT/src/core/TextDecoder.cpp"
    "$ROOT/src/core/RunLog.cpp"
    "$ROOT/src/source/csvdata.cpp"
    "$ROOT/src/source/SourceFile.cpp"
    "$ROOT/tests/source/fuzz/FuzzSource.cpp"
)
BIN="$OUT/fuzz_source"
needs_build=0
[ -x "$BIN" ] || needs_build=1
for s in "${SOURCES[@]}" "$ROOT"/src/source/*.h "$ROOT"/src/core/*.h; do
    [ "$s" -nt "$BIN" ] && needs_build=1
done
if [ "$needs_build" = 1 ]; then
    echo "Building $BIN"
    # shellcheck disable=SC2046
    "$CXX" -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        -I"$ROOT/src" $(pkg-config --cflags Qt6Core) "${SOURCES[@]}" $(pkg-config --libs Qt6Core) -o "$BIN"
fi

# Seed with the realistic exports; keep what the fuzzer finds between runs.
cp -n "$ROOT"/tests/data/source/* "$OUT/corpus/" 2>/dev/null || true
cd "$OUT"
exec "$BIN" -max_total_time="$SECONDS_TO_RUN" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 corpus
