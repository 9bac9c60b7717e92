#!/usr/bin/env bash
# Runs every test of the sanitized build (make sanitize) headless, as make test
# does, with AddressSanitizer's leak checking on and the first report of either
# sanitizer ending the test with a failure.
# Usage: scripts/sanitize.sh [build-dir]   (default: build-sanitize)
#
# The libFuzzer smoke tests are left out: scripts/fuzz.sh builds its targets with
# AddressSanitizer and UndefinedBehaviorSanitizer already, apart from this build.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build-sanitize}"
SUPPRESSIONS="$ROOT/scripts/sanitizers"

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:check_initialization_order=1:strict_init_order=1"
export LSAN_OPTIONS="suppressions=$SUPPRESSIONS/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$SUPPRESSIONS/ubsan.supp"
export QT_QPA_PLATFORM=offscreen

cd "$BUILD"
exec ctest --output-on-failure -j "$(nproc)" -E 'fuzz'
