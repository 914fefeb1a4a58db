#!/usr/bin/env bash
# Instructions per poll cycle, counted with callgrind: exact and repeatable, unlike wall time on
# a shared machine. Only our process is counted, not the simulated printer or the kernel.
#   1. our manager's thirteen GETs against net-snmp's library doing the same;
#   2. the full poll cycle (rendering and delivery to the recording UI) against the bare GETs.
#
#   bench/instructions.sh BUILD_DIR
set -euo pipefail
build=${1:?build directory}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Calls recorded for a function: its compressed id is named once, then repeated as cfn=(id).
calls() {
    local id
    id=$(grep -oE "c?fn=\([0-9]+\) $2" "$1" | head -n 1 | grep -oE "[0-9]+")
    awk -v id="$id" '$0 ~ "^cfn=\\(" id "\\)" { getline; split($1, a, "="); s += a[2] }
        END { print s + 0 }' "$1"
}

# count NAME BINARY FILTER CYCLE_FUNCTION TOGGLE...: instructions inside the TOGGLE functions
# per call of CYCLE_FUNCTION (one per cycle).
count() {
    local name=$1 binary=$2 filter=$3 cycle=$4
    shift 4
    local toggles=()
    for f in "$@"; do toggles+=("--toggle-collect=$f"); done
    valgrind --tool=callgrind --callgrind-out-file="$work/$name" "${toggles[@]}" "$binary" \
        --benchmark_filter="$filter" --benchmark_min_time=0.3 > /dev/null 2>&1
    local total
    total=$(awk '/^totals:/ { print $2 }' "$work/$name")
    echo $((total / $(calls "$work/$name" "$cycle")))
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

ours=$(count ours "$build/bench/snmpmgr/bench_snmp_poll" Ours SnmpMgrOpen '*OurCycle*')
netsnmp=$(count netsnmp "$build/bench/snmpmgr/bench_snmp_poll" NetSnmp snmp_sess_open \
    'NetSnmpCycleRun*')
echo "13 GETs: ours $ours, net-snmp $netsnmp instructions per cycle (ratio $(ratio "$ours" "$netsnmp"))"

poll=$(count poll "$build/bench/poll/bench_poll" BM_PollCycle SnmpMgrOpen \
    'PollPrinterStatus*')
bare=$(count bare "$build/bench/poll/bench_poll" BM_BareGets SnmpMgrOpen 'SnmpMgrOpen*' \
    'SnmpMgrClose*' 'SnmpMgrStrToOid*' 'SnmpMgrRequest*' 'SnmpUtilMemReAlloc*' \
    'SnmpUtilOidCpy*' 'SnmpUtilVarBindListFree*' 'SnmpUtilOidFree*')
echo "poll cycle $poll, bare GETs $bare instructions per cycle (ratio $(ratio "$poll" "$bare"))"
