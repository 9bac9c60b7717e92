#!/usr/bin/env bash
# Opens the wizard. Needs a display: say so plainly instead of failing inside Qt.
set -euo pipefail
build=${1:-build}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
    echo "Run 'make run' from a desktop session, or under a virtual display: xvfb-run make run" >&2
    exit 2
fi
exec "$build/bin/qimport" "$@"
