#!/usr/bin/env bash
# Takes the documentation pictures of the wizard headless and writes docs/images/*.png.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$build" --target qimport-screenshots
QT_QPA_PLATFORM=offscreen "$build/bin/qimport-screenshots" "$root/docs/images"
