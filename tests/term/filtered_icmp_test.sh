#!/bin/bash
# vellumark-term where ICMP echo gets no answer and where no ICMP socket is allowed, in a network
# namespace of its own (needs root; exit 77 skips): the simulated printer on 127.0.0.1 answers
# SNMP while the kernel ignores echo requests.
#   filtered_icmp_test.sh VELLUMARK_TERM VELLUMARK_PRINTER_SIM
set -u
term=$1 sim=$2
[ "$(id -u)" = 0 ] || { echo "SKIP: a network namespace needs root"; exit 77; }
command -v unshare >/dev/null && command -v setpriv >/dev/null || { echo "SKIP: no unshare/setpriv"; exit 77; }

exec unshare -n /bin/bash -s "$term" "$sim" <<'INSIDE'
set -u
term=$1 sim=$2
scratch=$(mktemp -d)
trap 'kill "$simpid" 2>/dev/null; wait 2>/dev/null; rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
ip link set lo up &&
    sysctl -q -w net.ipv4.icmp_echo_ignore_all=1 &&
    sysctl -q -w net.ipv4.ping_group_range="1 0" || { echo "SKIP: namespace set-up"; exit 77; }
# A copy nobody may run, wherever the build lives.
cp "$term" "$scratch/vellumark-term" && chmod 755 "$scratch/vellumark-term"
term=$scratch/vellumark-term

"$sim" --listen 127.0.0.1:16161 --control 127.0.0.1:16162 >"$scratch/sim.out" 2>&1 &
simpid=$!
for _ in $(seq 100); do
    grep -q "listening on" "$scratch/sim.out" && break
    sleep 0.05
done
grep -q "listening on" "$scratch/sim.out" || { echo "FAIL: the simulator did not start"; cat "$scratch/sim.out"; exit 1; }

failures=0
# NAME EXPECTED_STATUS STDOUT_PATTERN STDERR_PATTERN COMMAND... The patterns are extended
# regular expressions over the whole text; "^$" is an empty text.
check() {
    local name=$1 want=$2 out_pattern=$3 err_pattern=$4
    shift 4
    timeout -s KILL 20 "$@" </dev/null >"$scratch/out" 2>"$scratch/err"
    local status=$? out err
    out=$(cat "$scratch/out"; echo .) err=$(cat "$scratch/err"; echo .)
    out=${out%.} err=${err%.}
    local ok=1
    [ "$status" = "$want" ] || ok=0
    [[ $out =~ $out_pattern ]] || ok=0
    [[ $err =~ $err_pattern ]] || ok=0
    if [ "$ok" = 1 ]; then
        echo "ok: $name"
    else
        echo "FAIL: $name: status $status (want $want)"
        echo "--- stdout (want /$out_pattern/):"; cat "$scratch/out"
        echo "--- stderr (want /$err_pattern/):"; cat "$scratch/err"
        failures=$((failures + 1))
    fi
}
nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
target=127.0.0.1:16161

check "echo ignored: unreachable, the reason says so" 3 '"state":"unreachable","reason":"no-echo-reply"' '^$' \
    "$term" --json "$target"
check "echo ignored, --no-ping reads the printer" 0 '"title":"[^"]+ Monitor".*"state":"ok"' '^$' \
    "$term" --json --no-ping "$target"
check "no ICMP socket: the fatal message, then how to allow one" 1 '^$' \
    "^Fatal Error!: Error: WinSock
Echo requests need [^
]*sysctl net.ipv4.ping_group_range=\"0 2147483647\"[^
]*setcap cap_net_raw\+ep $term,[^
]*--no-ping[^
]*
$" \
    "${nobody[@]}" "$term" --once "$target"
check "no ICMP socket, --no-ping starts and reads the printer" 0 'Tray: online' '^$' \
    "${nobody[@]}" "$term" --once --no-ping "$target"

# The window itself, not once: silent at start-up it shows the printer unreachable; once the
# printer answers again, --retry adopts it without a key pressed.
control() { echo "$1" >/dev/udp/127.0.0.1/16162; }
control "silence on"
# Its input stays open without a key: a pipe that this script holds.
mkfifo "$scratch/keys"
exec 4<>"$scratch/keys"
(timeout -s KILL 8 "$term" --no-ping --retry 1 "$target" <"$scratch/keys" >"$scratch/window" 2>&1) 2>/dev/null &
sleep 4
control "silence off"
wait $! 2>/dev/null
window=$(cat "$scratch/window")
if [[ $window =~ Unreachable:.*Primary\ Status: ]]; then
    echo "ok: --retry adopts the printer once it answers"
else
    echo "FAIL: --retry adopts the printer once it answers"; echo "$window" | tail -40
    failures=$((failures + 1))
fi
exit $((failures > 0))
INSIDE
