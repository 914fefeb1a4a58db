#!/usr/bin/env bash
# scripts/demo.sh with its port taken must stop at once with a message naming the port and the
# way to pick another, instead of going on to watch whatever holds the port. The demo runs from
# a scratch copy whose install-deps.sh only records that it was reached, so nothing is
# installed or built.
#
#   demo-port-taken.sh SOURCE_DIR SCRATCH_DIR SIMULATOR
#
# Exit status: 0 passed, 1 failed, 77 skipped (no ss here).
set -uo pipefail

source_dir=${1:?source dir}
scratch=${2:?scratch dir}
simulator=${3:?simulator}

command -v ss >/dev/null || { echo "SKIP: no ss (iproute2)"; exit 77; }

rm -rf "$scratch"
mkdir -p "$scratch/scripts"
cp "$source_dir/scripts/demo.sh" "$scratch/scripts/"
cat >"$scratch/scripts/install-deps.sh" <<'STUB'
#!/bin/sh
touch "$(dirname "$0")/reached"
exit 1
STUB
chmod +x "$scratch/scripts/install-deps.sh"

holder_pid=
cleanup() { [ -z "$holder_pid" ] || kill "$holder_pid" 2>/dev/null; wait 2>/dev/null; }
trap cleanup EXIT

failures=0
# Each holder prints its port on its first line of output.
for holder in simulator python; do
    out="$scratch/$holder.out"
    case "$holder" in
    simulator) "$simulator" --listen 127.0.0.1:0 >"$out" 2>/dev/null & ;;
    python)
        python3 -c 'import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0))
print("listening on 127.0.0.1:%d" % s.getsockname()[1], flush=True)
time.sleep(120)' >"$out" &
        ;;
    esac
    holder_pid=$!
    port=
    for _ in $(seq 50); do
        port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$out")
        [ -n "$port" ] && break
        sleep 0.1
    done
    if [ -z "$port" ]; then
        echo "FAIL: the $holder holding a port did not start"
        exit 1
    fi

    rm -f "$scratch/scripts/reached"
    timeout 30 "$scratch/scripts/demo.sh" --term --port "$port" odd-data >"$scratch/demo.out" 2>&1
    status=$?
    message=$(cat "$scratch/demo.out")
    echo "[$holder on $port] status $status: $message"
    if [ "$status" -ne 1 ]; then
        echo "FAIL: demo.sh exited with $status, not 1, with the port held by the $holder"
        failures=$((failures + 1))
    fi
    if ! grep -qF "UDP port $port on 127.0.0.1 is already in use" <<<"$message" ||
        ! grep -qF -- "--port $((port + 1))" <<<"$message"; then
        echo "FAIL: the message does not name port $port and a --port to use instead"
        failures=$((failures + 1))
    fi
    if [ -e "$scratch/scripts/reached" ]; then
        echo "FAIL: demo.sh went on to install and build with its port taken"
        failures=$((failures + 1))
    fi
    kill "$holder_pid" 2>/dev/null
    wait "$holder_pid" 2>/dev/null
    holder_pid=
done

[ "$failures" -eq 0 ] || exit 1
echo "PASS"
