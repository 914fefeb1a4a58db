#!/bin/sh
# Takes a screenshot of the running status window: Xvfb with trayer as the notification
# area, the simulated printer on loopback, vellumark against it, then `import -window root`.
#
#   screenshot.sh VELLUMARK PRINTER_SIM OUTPUT.png [PEAK_MEMORY_FILE]
#
# Needs Xvfb, trayer and imagemagick; openbox, when installed, draws the window frames. With PEAK_MEMORY_FILE, the window's VmHWM line from
# /proc is written there just before it is closed.
set -eu

vellumark=$1
sim=$2
output=$3
memory=${4:-}

display=":$((90 + $$ % 100))"
port=$((20000 + $$ % 20000))
pids=""
cleanup() {
    for pid in $pids; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM

Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
pids="$! $pids"
export DISPLAY="$display"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY || true
# Wait for the server to accept clients.
tries=0
until xdpyinfo >/dev/null 2>&1 || [ $tries -ge 50 ]; do
    sleep 0.1
    tries=$((tries + 1))
done

if command -v openbox >/dev/null 2>&1; then
    openbox >/dev/null 2>&1 &
    pids="$! $pids"
    sleep 0.5
fi

trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true \
    --transparent false --tint 0x303030 >/dev/null 2>&1 &
pids="$! $pids"
sleep 1

"$sim" --listen "127.0.0.1:$port" --live >/dev/null 2>&1 &
pids="$! $pids"
sleep 0.5

"$vellumark" "127.0.0.1:$port" >/dev/null 2>&1 &
app=$!
pids="$app $pids"
# Two poll cycles and the balloon.
sleep 5

if [ -n "$memory" ]; then
    grep VmHWM "/proc/$app/status" >"$memory"
fi
import -window root "$output"
echo "screenshot written to $output"
