#!/bin/bash
# Runs the Windows program under wine64 on a private Xvfb display, against the Linux printer
# simulator on loopback, and lets the Win32 test driver work it.
#
#   run-wine-tests.sh SCENARIO WIN64_BUILD_DIR SIMULATOR [LINUX_READER]
#     SCENARIO         net | monitor | monitor6 | prompt | service | fatal | noping | nov3 |
#                      condition | details
#     WIN64_BUILD_DIR  the x86_64 MinGW build (holds apps/win32/vellumark.exe)
#     SIMULATOR        the Linux vellumark-printer-sim binary
#     LINUX_READER     for "condition" and "details": the Linux build of vellumark-condition-read
#
# Exit status: 0 passed, 1 failed, 77 skipped (something this machine lacks).
set -u

scenario=${1:?scenario}
win_build=${2:?x86_64 build dir}
simulator=${3:?simulator}

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
exe_dir="$win_build/apps/win32"
program="$exe_dir/vellumark.exe"
driver_dir="$win_build/tests/win32/driver"
driver="$driver_dir/vellumark-driver.exe"
# What the bundled laser-mono profile shows in the window.
title="HP LaserJet Pro 4012dn Monitor"
trayer_display() {
    # An XEmbed notification area on our display, into which wine docks tray icons.
    command -v trayer >/dev/null || skip "no trayer"
    trayer >"$work/trayer.log" 2>&1 &
    pids+=($!)
    sleep 1
}

skip() { echo "SKIP: $*"; exit 77; }
[ -x "$WINE" ] || skip "no $WINE"
command -v Xvfb >/dev/null || skip "no Xvfb"
[ -f "$program" ] && [ -f "$driver" ] || { echo "FAIL: no $program or $driver"; exit 1; }
[ -x "$simulator" ] || { echo "FAIL: no simulator $simulator"; exit 1; }

work=$(mktemp -d /tmp/vm-wine.XXXXXX)
pids=()
cleanup() {
    # The wine server outlives its programs for a while, holding our display: end it first.
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w 2>/dev/null
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine}

# A display of our own: Xvfb picks a free number and writes it to fd 3.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# The first start creates the prefix (about a minute).
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE" wineboot -i >"$work/wineboot.log" 2>&1
fi

# start_simulator [PROFILE [ADDRESS]]: ADDRESS 127.0.0.1 by default, or [::1].
start_simulator() {
    local address=${2:-127.0.0.1}
    "$simulator" --listen "$address:0" --control "$address:0" --profile "${1:-laser-mono}" \
        >"$work/sim.out" 2>"$work/sim.err" &
    pids+=($!)
    for _ in $(seq 50); do
        port=$(sed -n 's/^listening on .*:\([0-9]*\)$/\1/p' "$work/sim.out")
        control=$(sed -n 's/^control on .*:\([0-9]*\)$/\1/p' "$work/sim.out")
        [ -n "$port" ] && [ -n "$control" ] && return 0
        sleep 0.1
    done
    echo "FAIL: the simulator did not start"; cat "$work/sim.err"; exit 1
}

# wine sees the Linux file system as drive Z:.
winpath() { echo "Z:$(readlink -f "$1")"; }

case "$scenario" in
condition)
    # The same printer, jammed through the control channel, read by the condition engine's
    # Windows build under wine and by its Linux build, over SNMPv1 and over SNMPv2c (GETBULK):
    # the same condition, as JSON and as text.
    reader=${4:?Linux vellumark-condition-read}
    start_simulator colour-laser
    printf 'jam on\n' >"/dev/udp/127.0.0.1/$control"
    sleep 0.2
    status=0
    for version in v1 v2c; do
        "$reader" "127.0.0.1:$port" "$version" >"$work/linux.txt" ||
            { echo "FAIL: the Linux reading ($version)"; cat "$work/linux.txt"; exit 1; }
        grep -q '"reasons":\[[^]]*jam' "$work/linux.txt" ||
            { echo "FAIL: no jam in the Linux reading ($version)"; cat "$work/linux.txt"; exit 1; }
        "$WINE" "$(readlink -f "$driver_dir/vellumark-condition-read.exe")" "127.0.0.1:$port" \
            "$version" | tr -d '\r' >"$work/windows.txt"
        if diff -u "$work/linux.txt" "$work/windows.txt"; then
            echo "ok   $version: the Windows engine reads the jammed colour-laser as the Linux one"
            head -n1 "$work/windows.txt"
        else
            echo "FAIL: $version: the Windows reading differs from the Linux one"
            status=1
        fi
    done
    ;;
details)
    # The details window beside the status window, compared with the Linux engine's reading of
    # the same printer; the balloons of a jam and of its clearing.
    reader=${4:?Linux vellumark-condition-read}
    trayer_display
    start_simulator colour-laser
    profile="$(dirname "$0")/../../tools/printer-sim/profiles/colour-laser.snmprec"
    model=$(sed -n 's/^1\.3\.6\.1\.2\.1\.25\.3\.2\.1\.3\.1|4|//p' "$profile")
    "$reader" "127.0.0.1:$port" >"$work/reading.txt" ||
        { echo "FAIL: the Linux reading"; cat "$work/reading.txt"; exit 1; }
    "$WINE" "$driver" details "$(winpath "$program")" "$port" "$control" "$model Monitor" \
        "$(winpath "$work/reading.txt")" "$(winpath "$work")/tray.log"
    status=$?
    ;;
net)
    "$WINE" "$(readlink -f "$driver_dir/vellumark-net-test.exe")"
    status=$?
    ;;
monitor)
    # Unusual but legal data: a 200-character model (the title keeps its first 127
    # characters), an Opaque status, counters at their limits, a toner capacity above 65535
    # with the level -3 (the bar clamps it to its minimum).
    start_simulator odd-data
    profile="$(dirname "$0")/../../tools/printer-sim/profiles/odd-data.snmprec"
    model=$(sed -n 's/^1\.3\.6\.1\.2\.1\.25\.3\.2\.1\.3\.1|4|//p' "$profile")
    [ ${#model} -gt 127 ] || { echo "FAIL: odd-data has no model longer than 127"; exit 1; }
    "$WINE" "$driver" monitor "$(winpath "$program")" "$port" "$control" "${model:0:127}" \
        '2000=PAPER JAM' 2003=4294967290 1010=4294967295 range=0,70000 pos=0
    status=$?
    ;;
monitor6)
    # The printer on ::1: the echo over ICMPv6, SNMP over UDP6, the control channel on ::1.
    start_simulator laser-mono '[::1]'
    "$WINE" "$driver" monitor "$(winpath "$program")" "[::1]:$port" "$control" "$title" \
        2003=48213
    status=$?
    ;;
nov3)
    "$WINE" "$driver" nov3 "$(winpath "$program")"
    status=$?
    ;;
prompt)
    trayer_display
    start_simulator
    "$WINE" "$driver" prompt "$(winpath "$program")" "$port" "$title"
    status=$?
    ;;
fatal | service)
    # Sockets are created by the wine server, so it must run where raw ICMP is refused: a
    # network namespace of our own without CAP_NET_RAW and with ping sockets off. For "fatal"
    # the system's echo service is taken away too (iphlpapi disabled), leaving no way to ping.
    [ "$(id -u)" = 0 ] || skip "needs root for a network namespace"
    command -v unshare >/dev/null && command -v setpriv >/dev/null || skip "no unshare/setpriv"
    "$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null
    overrides=""
    [ "$scenario" = fatal ] && overrides="iphlpapi=d"
    unshare -n /bin/bash -c '
        ip link set lo up && sysctl -q -w net.ipv4.ping_group_range="1 0" || exit 77
        WINEDLLOVERRIDES="$1" setpriv --bounding-set=-net_raw "$2" "$3" "$4" "$5" "$6"
        status=$?
        "$7" -k 2>/dev/null; "$7" -w 2>/dev/null
        exit $status' _ "$overrides" "$WINE" "$driver" "$scenario" "$(winpath "$program")" \
        "$title" "$WINESERVER"
    status=$?
    ;;
noping)
    # As for "fatal", no way to ping at all, with the simulator in the same namespace: the
    # options must carry the window without an echo.
    [ "$(id -u)" = 0 ] || skip "needs root for a network namespace"
    command -v unshare >/dev/null && command -v setpriv >/dev/null || skip "no unshare/setpriv"
    "$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null
    export -f start_simulator
    export simulator work
    unshare -n /bin/bash -c '
        ip link set lo up && sysctl -q -w net.ipv4.ping_group_range="1 0" || exit 77
        pids=()
        start_simulator
        WINEDLLOVERRIDES=iphlpapi=d setpriv --bounding-set=-net_raw "$1" "$2" noping "$3" \
            "$port" "$control" "$4"
        status=$?
        "$5" -k 2>/dev/null; "$5" -w 2>/dev/null
        kill "${pids[@]}" 2>/dev/null
        exit $status' _ "$WINE" "$driver" "$(winpath "$program")" "$title" "$WINESERVER"
    status=$?
    ;;
*)
    echo "unknown scenario $scenario"; exit 2
    ;;
esac
exit "$status"
