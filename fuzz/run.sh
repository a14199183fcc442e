#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on its seed corpus. New inputs
# go to a work folder in the build tree, never into the seed corpus; a crash or a broken
# invariant stops that target and is kept in <build>/work/<target>/artifacts.
#
# Usage: fuzz/run.sh [seconds per target, default 60] [target...]
# Environment: FUZZ_BUILD build folder (default <repo>/build-fuzz), FUZZ_JOBS build jobs (2),
#              FUZZ_PARALLEL targets run at the same time (1), FUZZ_FLAGS extra libFuzzer flags.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift || true
build=${FUZZ_BUILD:-$here/build-fuzz}
all=(inifile gbk encoders replyparsing shortlink templatesplit safename topreply pidforms convertrecogniser pageaddress linkconvertreply siteconfig orderdetails publishtarget rclonelog)
targets=("${all[@]}")
(($#)) && targets=("$@")

command -v clang++ >/dev/null || { echo "fuzz: clang++ is not installed" >&2; exit 2; }

# The fuzzer runtime comes in Debian's libclang-rt-<version>-dev, not always with clang itself.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
    version=$(clang++ -dumpversion | cut -d. -f1)
    if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
        DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq "libclang-rt-$version-dev"
    else
        echo "fuzz: the libFuzzer runtime is missing (install libclang-rt-$version-dev)" >&2
        exit 2
    fi
fi

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAOYEFANG_FUZZ=ON -DTAOYEFANG_BUILD_GUI=OFF -DTAOYEFANG_BUILD_TESTS=OFF -DTAOYEFANG_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "${FUZZ_JOBS:-2}" --target "${targets[@]/#/fuzz_}"

# One target: its log, and its summary lines once it is done. Fails on a finding.
run_target() {
    local target=$1 work=$build/work/$1
    mkdir -p "$work/corpus" "$work/artifacts"
    # shellcheck disable=SC2086
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -max_len=16384 \
        -dict="$here/fuzz/$target/$target.dict" -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
        ${FUZZ_FLAGS:-} "$work/corpus" "$here/fuzz/$target/corpus" >"$work/log" 2>&1
}

summary() {
    local log=$build/work/$1/log
    echo "== fuzz_$1 (${seconds}s): $(grep -E '^#[0-9]+.*DONE' "$log" | tail -n 1)"
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$log" | tail -n 2 | sed 's/^/   /'
}

# FUZZ_PARALLEL targets at a time (default 1); the machines here have 2 cores.
failed=()
declare -A pids=()
for target in "${targets[@]}"; do
    while ((${#pids[@]} >= ${FUZZ_PARALLEL:-1})); do
        wait -n || true
        for t in "${!pids[@]}"; do
            kill -0 "${pids[$t]}" 2>/dev/null && continue
            wait "${pids[$t]}" || failed+=("$t")
            summary "$t"
            unset "pids[$t]"
        done
    done
    echo "-- fuzz_$target: ${seconds}s"
    run_target "$target" &
    pids[$target]=$!
done
for t in "${!pids[@]}"; do
    wait "${pids[$t]}" || failed+=("$t")
    summary "$t"
done

if ((${#failed[@]})); then
    for t in "${failed[@]}"; do
        echo "== fuzz_$t found something:" >&2
        grep -E -m 5 'invariant failed|ERROR:|runtime error|SUMMARY|Test unit written' "$build/work/$t/log" >&2 || true
    done
    echo "fuzz: findings in: ${failed[*]} (inputs in $build/work/<target>/artifacts)" >&2
    exit 1
fi
echo "fuzz: no findings"
