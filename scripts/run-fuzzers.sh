#!/usr/bin/env bash
# Runs every libFuzzer target (executables named fuzz_*) built in BUILD_DIR for SECONDS each,
# starting from a copy of its seed corpus (fuzz/<area>/corpus/<target>/ when present).
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
    seeds=$(find "$root/fuzz" -type d -path "*/corpus/$name" | head -n 1)
    [ -n "$seeds" ] && cp -r "$seeds/." "$work/"
    echo "fuzzing $name for $seconds s"
    (cd "$work" && "$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/" "$work" 2>&1 | grep -E '^(stat::number_of_executed_units|stat::peak_rss|==|SUMMARY|INFO: -max_total_time)' || true)
    if compgen -G "$work/crash-*" > /dev/null || compgen -G "$work/leak-*" > /dev/null ||
        compgen -G "$work/timeout-*" > /dev/null; then
        echo "$name: findings kept in $work" >&2
        exit 1
    fi
    rm -rf "$work"
done
