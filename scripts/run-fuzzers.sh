#!/usr/bin/env bash
# Runs every libFuzzer target (executables named fuzz_*) built in BUILD_DIR for SECONDS each,
# starting from a copy of its area's seed corpus (fuzz/<area>/corpus/ when present), with the
# libFuzzer flags in fuzz/<area>/fuzz.options (e.g. the largest input a datagram can be).
# Fails when a target finds a crash, a leak or undefined behaviour.
#
#   scripts/run-fuzzers.sh BUILD_DIR SECONDS
set -euo pipefail
build=${1:?build directory}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)

mapfile -t targets < <(find "$build" -type f -name 'fuzz_*' -perm -u+x | sort)
if [ ${#targets[@]} -eq 0 ]; then
    echo "no fuzz targets in $build" >&2
    exit 1
fi
for target in "${targets[@]}"; do
    name=$(basename "$target")
    work=$(mktemp -d)
    # Seeds: the corpus/ folder beside the target's source (fuzz/<area>/corpus), which may link
    # to another area's when both read the same bytes.
    area=$(basename "$(dirname "$target")")
    if [ -d "$root/fuzz/$area/corpus" ]; then
        cp -r "$root/fuzz/$area/corpus/." "$work/"
    fi
    options=()
    if [ -f "$root/fuzz/$area/fuzz.options" ]; then
        read -r -a options < "$root/fuzz/$area/fuzz.options"
    fi
    echo "fuzzing $name for $seconds s ${options[*]}"
    "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/" \
        "${options[@]}" "$work" > "$work.log" 2>&1 || true
    grep -E '^(stat::number_of_executed_units|stat::new_units_added|SUMMARY|==[0-9]+==)' \
        "$work.log" || true
    if compgen -G "$work/crash-*" > /dev/null || compgen -G "$work/leak-*" > /dev/null ||
        compgen -G "$work/timeout-*" > /dev/null; then
        tail -n 40 "$work.log" >&2
        echo "$name: findings kept in $work" >&2
        exit 1
    fi
    rm -rf "$work" "$work.log"
done
