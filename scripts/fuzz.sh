#!/usr/bin/env bash
# Builds the fuzz targets (libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer, clang 14)
# and runs them, each under a memory limit, so that a crash, a hang or memory out of proportion to the
# input ends the run with the input that caused it.
#
# Usage:
#   scripts/fuzz.sh [seconds] [build-dir]           build, then run every target for seconds each (300)
#   scripts/fuzz.sh build [build-dir]               build the targets only
#   scripts/fuzz.sh run TARGET seconds [build-dir]  run one target, built before
# Targets: fuzz_source fuzz_catalogue fuzz_replies fuzz_mapping fuzz_settings.
# What a target finds is kept in build-dir/fuzz/TARGET/corpus between runs; an input that
# fails is written to build-dir/fuzz/TARGET/ as crash-*, oom-*, leak-* or timeout-*.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
TARGETS=(fuzz_source fuzz_catalogue fuzz_replies fuzz_mapping fuzz_settings)

sources_of() {
    case "$1" in
    fuzz_source) echo src/core/TextDecoder.cpp src/core/RunLog.cpp src/source/csvdata.cpp \
        src/source/FileBlocks.cpp src/source/SourceFile.cpp tests/source/fuzz/FuzzSource.cpp ;;
    fuzz_catalogue) echo src/core/TextDecoder.cpp src/core/Conversions.cpp src/mapping/NameList.cpp \
        src/mapping/FieldNames.cpp src/mapping/FieldCatalogue.cpp tests/mapping/fuzz/FuzzCatalogue.cpp ;;
    fuzz_replies) echo src/core/TextDecoder.cpp src/core/Conversions.cpp src/exchange/Replies.cpp \
        tests/exchange/fuzz/FuzzReplies.cpp ;;
    fuzz_mapping) echo src/core/TextDecoder.cpp src/core/Conversions.cpp src/mapping/NameList.cpp \
        src/mapping/FieldNames.cpp src/mapping/FieldCatalogue.cpp src/mapping/ColumnMap.cpp \
        src/mapping/MappingPage.cpp src/mapping/MappingFile.cpp src/source/ColumnLetters.cpp \
        tests/mapping/fuzz/FuzzMappingFile.cpp ;;
    fuzz_settings) echo src/core/TextDecoder.cpp src/core/Conversions.cpp src/core/SetupRecord.cpp \
        src/core/IniFile.cpp src/core/Settings.cpp tests/core/fuzz/FuzzSettings.cpp ;;
    *) echo "unknown fuzz target: $1" >&2; return 1 ;;
    esac
}

# The longest input a target is given: the source target's must span many of the loader's blocks
# (it loads each input in blocks of 64 bytes and of 1 to 17 bytes as well as whole).
max_len_of() {
    case "$1" in
    fuzz_source) echo 131072 ;;
    *) echo 65536 ;;
    esac
}

CXX=clang++-14
FLAGS=(-std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
    -fno-sanitize-recover=undefined)

# An object is rebuilt when its source or a header it includes is newer.
stale() {
    local obj="$1" src="$2" dep
    [ -f "$obj" ] && [ -f "$obj.d" ] || return 0
    [ "$src" -nt "$obj" ] && return 0
    for dep in $(sed -e 's/^[^:]*://' -e 's/\\$//' "$obj.d"); do
        [ "$dep" -nt "$obj" ] && return 0
    done
    return 1
}

build_all() {
    local out="$1"
    command -v "$CXX" >/dev/null ||
        { echo "clang++-14 is needed (apt-get install clang-14 libclang-rt-14-dev)" >&2; return 1; }
    local launcher=()
    command -v ccache >/dev/null && launcher=(ccache)
    local qtflags qtlibs
    qtflags=$(pkg-config --cflags Qt6Core)
    qtlibs=$(pkg-config --libs Qt6Core)
    mkdir -p "$out/obj"

    # Each source once, two at a time, whichever targets share it.
    local all=() t s
    for t in "${TARGETS[@]}"; do
        for s in $(sources_of "$t"); do all+=("$s"); done
    done
    local pids=() failed=0
    for s in $(printf '%s\n' "${all[@]}" | sort -u); do
        local obj="$out/obj/${s//\//_}.o"
        stale "$obj" "$ROOT/$s" || continue
        echo "Compiling $s"
        # shellcheck disable=SC2086
        "${launcher[@]}" "$CXX" "${FLAGS[@]}" -I"$ROOT/src" -I"$ROOT/tests/common" $qtflags -MMD -MF "$obj.d" \
            -c "$ROOT/$s" -o "$obj" &
        pids+=($!)
        if [ ${#pids[@]} -ge 2 ]; then
            wait "${pids[0]}" || failed=1
            pids=("${pids[@]:1}")
        fi
    done
    for p in "${pids[@]}"; do wait "$p" || failed=1; done
    [ "$failed" = 0 ] || return 1

    for t in "${TARGETS[@]}"; do
        local objs=() newer=0 bin="$out/$t/$t"
        # Older builds kept a target's binary where its folder now goes.
        [ -d "$out/$t" ] || rm -f "$out/$t"
        mkdir -p "$out/$t"
        for s in $(sources_of "$t"); do
            objs+=("$out/obj/${s//\//_}.o")
            [ "${objs[-1]}" -nt "$bin" ] && newer=1
        done
        [ -x "$bin" ] && [ "$newer" = 0 ] && continue
        echo "Linking $t"
        # shellcheck disable=SC2086
        "$CXX" "${FLAGS[@]}" "${objs[@]}" $qtlibs -o "$bin"
    done
}

# Seeds: what a target's parser reads in use, and for the loader the inputs that once cost
# memory or time out of proportion: long cells, a stray or unterminated quote, long lines.
seed() {
    local target="$1" dir="$2"
    mkdir -p "$dir"
    case "$target" in
    fuzz_source)
        cp "$ROOT"/tests/data/source/* "$dir/"
        python3 - "$dir" <<'EOF'
import sys, os
d = sys.argv[1]
words = b"Harbour volunteer evening Saturday driver kitchen garden library "
rows = b"".join(b"Maple,Street %d,\"says \"\"hi\"\"\",driver\r\n" % i for i in range(1200))
seeds = {
    "long_cell.csv": b"id,notes\r\n1,\"" + (words * 900)[:60000] + b"\"\r\n",
    "long_cell_breaks.csv": b"a,\"" + (words + b"\r\n") * 800 + b"\",b\r\n",
    "stray_quote.csv": b"a,b,c\r\nx,\"y,z\r\n" + rows,
    "unterminated_start.csv": b"\"" + rows,
    "long_line_no_delimiter.txt": (words * 1000)[:60000] + b"\r\n" + b"short\r\n" * 20,
    "long_tab_line.txt": b"\t".join([words] * 900) + b"\r\n",
    "cjk_cell.csv": b"a,\"" + "漢字😀".encode() * 4000 + b"\"\r\n",
}
for name, data in seeds.items():
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)
EOF
        ;;
    fuzz_catalogue)
        printf '0\t0\t0\tx\r\n1\t1\t0\tCore\tName\tFirst name\t0\r\n2\t1\t5\tProfile\tPersonal\tBirthday\t3\r\n' \
            >"$dir/reply.txt" ;;
    fuzz_replies)
        printf 'EL=0\r\nSI_12=North\r\nSI_x=Bad\r\nSI_7\r\nPOST=Row 2: duplicate\r\npost=row 2: DUPLICATE\r\n' \
            >"$dir/reply.txt" ;;
    fuzz_mapping)
        printf '\x05# QImport mapping\r\nA\tCore\tName\tFirst name\r\nB\tProfile\tPersonal\tBirthday\tDMY\r\nZZ\tx\r\n' \
            >"$dir/mapping.txt"
        printf '\x031\t1\t0\tCore\tName\tFirst name\t0\r\n\fa\tcore\tname\tfirst NAME\r\n' >"$dir/with_reply.txt" ;;
    fuzz_settings)
        printf '[Account]\r\nNumber=1234\r\nLogin=x\r\n[Connection]\r\nProxyPort=0x1F90\r\n[File]\r\nName = a.csv \r\n' \
            >"$dir/settings.ini" ;;
    esac
}

run_one() {
    local target="$1" seconds="$2" out="$3"
    local dir="$out/$target"
    [ -x "$dir/$target" ] || { echo "$target is not built: scripts/fuzz.sh build" >&2; return 1; }
    mkdir -p "$dir/corpus"
    seed "$target" "$dir/seeds"
    cd "$dir"
    # No single allocation may reach 256 MB: a few times an input of at most 128 KB never does, while a
    # walk that copies its cells again and again does at once.
    exec "./$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 \
        -max_len="$(max_len_of "$target")" -print_final_stats=1 -artifact_prefix="$dir/" corpus seeds
}

absolute() {
    mkdir -p "$1" && (cd "$1" && pwd)
}

case "${1:-}" in
build)
    BUILD="$(absolute "${2:-$ROOT/build}")"
    build_all "$BUILD/fuzz"
    ;;
run)
    [ $# -ge 3 ] || { echo "usage: scripts/fuzz.sh run TARGET seconds [build-dir]" >&2; exit 2; }
    BUILD="$(absolute "${4:-$ROOT/build}")"
    run_one "$2" "$3" "$BUILD/fuzz"
    ;;
*)
    SECONDS_TO_RUN="${1:-300}"
    BUILD="$(absolute "${2:-$ROOT/build}")"
    build_all "$BUILD/fuzz"
    status=0
    for t in "${TARGETS[@]}"; do
        echo "== $t for $SECONDS_TO_RUN s"
        (run_one "$t" "$SECONDS_TO_RUN" "$BUILD/fuzz") || { echo "$t failed" >&2; status=1; }
    done
    exit "$status"
    ;;
esac
