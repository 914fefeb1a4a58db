#!/usr/bin/env bash
# Builds Vellumark, starts the bundled simulated printer on 127.0.0.1:16161 and watches it with
# the best front-end at hand: the Qt window when a display is available, the terminal view
# otherwise. Run as root on Debian 12 (it installs what it needs with apt-get).
#
#   scripts/demo.sh [--term] [--port PORT] [PROFILE]
#
# --term     the terminal view even when a display is available
# --port     the simulated printer's UDP port on 127.0.0.1 (default 16161)
# PROFILE    one of the simulator's bundled printers (default laser-mono; the others are listed
#            in tools/printer-sim/README.md) or the path of a .snmprec file
#
# When the port is taken, by anything, the demo stops and says so rather than watching
# whatever answers there.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { echo "usage: scripts/demo.sh [--term] [--port PORT] [PROFILE]"; }

frontend=auto
port=16161
profile=laser-mono
while [ $# -gt 0 ]; do
    case "$1" in
    --term) frontend=term ;;
    --port)
        [ $# -ge 2 ] || { usage >&2; exit 2; }
        port=$2
        shift
        ;;
    --port=*) port=${1#--port=} ;;
    -h | --help)
        usage
        exit 0
        ;;
    -*)
        usage >&2
        exit 2
        ;;
    *) profile=$1 ;;
    esac
    shift
done
if ! [[ "$port" =~ ^[0-9]+$ ]] || [ "$port" -lt 1 ] || [ "$port" -gt 65535 ]; then
    echo "demo: --port needs a number from 1 to 65535, not '$port'" >&2
    exit 2
fi

# Says who holds the port (from an `ss -p` line, when given) and how to pick another; exits 1.
port_taken() {
    local who=
    if [ -n "${1:-}" ]; then
        who=$(sed -n 's/.*users:(("\([^"]*\)",pid=\([0-9]*\).*/\1 (pid \2)/p' <<<"$1")
        who=" by ${who:-a socket on $(awk '{print $4}' <<<"$1")}"
    fi
    local other=$((port < 65535 ? port + 1 : 16161))
    echo "demo: UDP port $port on 127.0.0.1 is already in use$who." >&2
    echo "demo: stop that program, or give the demo another port:" \
        "scripts/demo.sh${term_arg} --port $other${profile_arg}" >&2
    exit 1
}
term_arg=
[ "$frontend" = auto ] || term_arg=" --term"
profile_arg=
[ "$profile" = laser-mono ] || profile_arg=" $profile"

# Before the build, so that a taken port is told at once. The simulator's own bind below is
# the final word (ss may be missing before the dependencies are installed).
if command -v ss >/dev/null; then
    owner=$(ss -Huanp "sport = :$port" 2>/dev/null | head -n1)
    [ -z "$owner" ] || port_taken "$owner"
fi

scripts/install-deps.sh --build
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DVM_TESTS=OFF -DVM_BENCH=OFF
cmake --build build/demo -j "$(nproc)"

sim=build/demo/apps/printer-sim/vellumark-printer-sim
sim_out=$(mktemp)
sim_pid=
trap '[ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null; rm -f "$sim_out"' EXIT
"$sim" --listen "127.0.0.1:$port" --profile "$profile" --live >"$sim_out" &
sim_pid=$!
# The simulator prints "listening on ..." once its socket is bound, and exits with status 1
# when it cannot bind (2 for an unknown profile).
for _ in $(seq 100); do
    grep -q '^listening on ' "$sim_out" && break
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        status=0
        wait "$sim_pid" || status=$?
        sim_pid=
        [ "$status" -ne 1 ] || port_taken
        echo "demo: the simulated printer did not start (status $status, see above);" \
            "bundled profiles: $("$sim" --list-profiles | tr '\n' ' ')" >&2
        exit 1
    fi
    sleep 0.1
done
grep -q '^listening on ' "$sim_out" || { echo "demo: the simulated printer did not start" >&2; exit 1; }

qt=build/demo/apps/qt/vellumark
if [ "$frontend" = auto ] && [ -n "${DISPLAY:-}" ] && [ -x "$qt" ]; then
    "$qt" "127.0.0.1:$port"
else
    build/demo/apps/term/vellumark-term "127.0.0.1:$port"
fi
