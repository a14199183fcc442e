#!/usr/bin/env bash
# Sets everything up and opens 淘页坊 with its offline demo service, which stops when the window
# closes. When the service cannot start, the window stays shut and the reason is shown.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The programs and their data only; the tests and benchmarks wait for scripts/test.sh.
TAOYEFANG_BUILD_TARGET=taoyefang_program "$here/scripts/setup.sh" "$here/build"
bin="$here/build/bin"

# The web engine's sandbox cannot run as root.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
status=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: running the window on a virtual one (xvfb)."
    export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --disable-gpu"
    xvfb-run -a -s "-screen 0 1280x900x24" "$bin/taoyefang" --demo || status=$?
else
    "$bin/taoyefang" --demo || status=$?
fi
if [ "$status" -ne 0 ]; then
    echo "淘页坊 did not run (exit status $status); see the message above." >&2
fi
exit "$status"
