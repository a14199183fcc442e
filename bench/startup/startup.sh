#!/usr/bin/env bash
# Time from launching the program to its start page being shown in the pane, median of N runs.
# Usage: bench/startup/startup.sh [program-folder] [runs]
set -euo pipefail

bin=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/bin}
runs=${2:-5}
export QT_LOGGING_RULES="taoyefang.startup=true"
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --disable-gpu"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

times=()
for ((i = 0; i < runs; i++)); do
    log=$(mktemp)
    start=$(date +%s%N)
    "$bin/taoyefang" >"$log" 2>&1 &
    pid=$!
    until grep -q "start page shown" "$log"; do
        kill -0 "$pid" 2>/dev/null || { echo "the program ended early:"; cat "$log"; exit 1; }
        sleep 0.005
    done
    end=$(date +%s%N)
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
    rm -f "$log"
    times+=($(((end - start) / 1000000)))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "start page shown after (ms): ${times[*]}"
echo "median: ${sorted[$((runs / 2))]} ms"
