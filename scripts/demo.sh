#!/usr/bin/env bash
# Builds Vellumark, starts the bundled simulated printer on 127.0.0.1:16161 and watches it with
# the best front-end at hand: the Qt window when a display is available, the terminal view
# otherwise. Run as root on Debian 12 (it installs what it needs with apt-get).
#
#   scripts/demo.sh [--term] [PROFILE]
set -euo pipefail
cd "$(dirname "$0")/.."

frontend=auto
if [ "${1:-}" = "--term" ]; then
    frontend=term
    shift
fi
profile=${1:-laser-mono}
port=16161

scripts/install-deps.sh
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DVM_TESTS=OFF -DVM_BENCH=OFF
cmake --build build/demo -j "$(nproc)"

sim=build/demo/tools/printer-sim/vellumark-printer-sim
"$sim" --listen "127.0.0.1:$port" --profile "$profile" --live &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
sleep 0.3

qt=build/demo/platform/ui/qt/vellumark
if [ "$frontend" = auto ] && [ -n "${DISPLAY:-}" ] && [ -x "$qt" ]; then
    "$qt" "127.0.0.1:$port"
else
    build/demo/platform/ui/term/vellumark-term "127.0.0.1:$port"
fi
