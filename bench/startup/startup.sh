#!/usr/bin/env bash
# Time from launching to the first page shown: the program's start page against a bare Qt
# WebEngine window showing one page, launched alternately on the same display, median of N each.
# Usage: bench/startup/startup.sh [build-dir] [runs]
#   offscreen (default):  bench/startup/startup.sh build 7
#   under Xvfb:           QT_QPA_PLATFORM=xcb xvfb-run -a bench/startup/startup.sh build 7
set -euo pipefail

build=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build}
runs=${2:-7}
export QT_LOGGING_RULES="taoyefang.startup=true"
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --disable-gpu"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

# Prints the milliseconds from launching $1 to its "start page shown" line.
time_to_page() {
    local log start end pid
    log=$(mktemp)
    start=$(date +%s%N)
    "$1" >"$log" 2>&1 &
    pid=$!
    until grep -q "start page shown" "$log"; do
        kill -0 "$pid" 2>/dev/null || { echo "$1 ended early:" >&2; cat "$log" >&2; exit 1; }
        sleep 0.002
    done
    end=$(date +%s%N)
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
    rm -f "$log"
    echo $(((end - start) / 1000000))
}

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

program=() bare=()
for ((i = 0; i < runs; i++)); do
    program+=("$(time_to_page "$build/bin/taoyefang")")
    bare+=("$(time_to_page "$build/bench/bench_bare_window")")
done
p=$(median "${program[@]}")
b=$(median "${bare[@]}")
echo "display: $QT_QPA_PLATFORM; load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "program, start page shown after (ms): ${program[*]}; median $p"
echo "bare window, page shown after (ms):   ${bare[*]}; median $b"
echo "ratio: $(awk -v p="$p" -v b="$b" 'BEGIN { printf "%.2f", p / b }') (target <= 1.30)"
