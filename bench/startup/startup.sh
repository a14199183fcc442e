#!/usr/bin/env bash
# Time from launching to the first page shown: the program's start page against a bare Qt
# WebEngine window showing one page, launched alternately on the same display, median of N each.
# Usage: bench/startup/startup.sh [build-dir] [runs]
#   offscreen (default):  bench/startup/startup.sh build 7
#   under Xvfb:           QT_QPA_PLATFORM=xcb xvfb-run -a bench/startup/startup.sh build 7
set -euo pipefail

build=$(cd "${1:-$(dirname "${BASH_SOURCE[0]}")/../../build}" && pwd)
runs=${2:-7}
export QT_LOGGING_RULES="taoyefang.startup=true"
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --disable-gpu"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

# Prints the milliseconds from launching $1 to its "start page shown" line. The line is read from
# a pipe as it comes (a blocking read, no polling that would take CPU from the program).
time_to_page() {
    local start end line
    start=$(date +%s%N)
    coproc RUN { exec "$1" 2>&1; }
    while IFS= read -r -t 60 line <&"${RUN[0]}"; do
        if [[ $line == *"start page shown"* ]]; then
            end=$(date +%s%N)
            break
        fi
    done
    kill "$RUN_PID" 2>/dev/null; wait "$RUN_PID" 2>/dev/null || true
    [ -n "${end:-}" ] || { echo "$1 ended before its page was shown" >&2; exit 1; }
    echo $(((end - start) / 1000000))
}

# The program runs from a folder of its own, so that its settings file is the one a first start
# leaves behind (written by the warm-up run below) whatever the build folder holds.
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$build/bin/taoyefang" "$folder/"
ln -s "$build/bin/帮助" "$build/bin/模板" "$folder/"

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

# One start of each first, not counted: it writes the settings and brings the files into memory.
time_to_page "$folder/taoyefang" >/dev/null
time_to_page "$build/bench/bench_bare_window" >/dev/null
program=() bare=()
for ((i = 0; i < runs; i++)); do
    program+=("$(time_to_page "$folder/taoyefang")")
    bare+=("$(time_to_page "$build/bench/bench_bare_window")")
done
p=$(median "${program[@]}")
b=$(median "${bare[@]}")
echo "display: $QT_QPA_PLATFORM; load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "program, start page shown after (ms): ${program[*]}; median $p"
echo "bare window, page shown after (ms):   ${bare[*]}; median $b"
echo "ratio: $(awk -v p="$p" -v b="$b" 'BEGIN { printf "%.2f", p / b }') (target <= 1.30)"
