#!/usr/bin/env bash
# Instructions per poll cycle, beside the bare thirteen GETs, counted with callgrind (exact and
# repeatable, unlike wall time on a shared machine). Only our process is counted: the simulated
# printer's work and the kernel's are not.
#
#   bench/poll/instructions.sh BUILD_DIR
set -euo pipefail
bench=${1:?build directory}/bench/poll/bench_poll
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Calls recorded for a function: its compressed id is named once, then repeated as cfn=(id).
calls() {
    local id
    id=$(grep -oE "c?fn=\([0-9]+\) $2" "$1" | head -n 1 | grep -oE "[0-9]+")
    awk -v id="$id" '$0 ~ "^cfn=\\(" id "\\)" { getline; split($1, a, "="); s += a[2] }
        END { print s + 0 }' "$1"
}

# Counts only inside the named functions; the cycles are counted as sessions opened.
count() {
    local name=$1 filter=$2
    shift 2
    local toggles=()
    for f in "$@"; do toggles+=("--toggle-collect=$f"); done
    valgrind --tool=callgrind --callgrind-out-file="$work/$name" "${toggles[@]}" "$bench" \
        --benchmark_filter="$filter" --benchmark_min_time=0.5 > /dev/null 2>&1
    local total cycles
    total=$(awk '/^totals:/ { print $2 }' "$work/$name")
    cycles=$(calls "$work/$name" SnmpMgrOpen)
    echo $((total / cycles))
}

poll=$(count poll 'BM_PollCycle/logged:0' 'PollPrinterStatus*')
bare=$(count bare 'BM_BareGets' 'SnmpMgrOpen*' 'SnmpMgrClose*' 'SnmpMgrStrToOid*' \
    'SnmpMgrRequest*' 'SnmpUtilMemReAlloc*' 'SnmpUtilOidCpy*' 'SnmpUtilVarBindListFree*' \
    'SnmpUtilOidFree*')
echo "instructions per cycle: poll cycle $poll, bare GETs $bare"
awk -v p="$poll" -v b="$bare" 'BEGIN { printf "rendering and delivery add %.1f %%\n", 100 * (p - b) / b }'
