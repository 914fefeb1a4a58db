#!/bin/sh
# Takes a screenshot of the running status window: Xvfb with trayer as the notification
# area, the simulated printer on loopback, vellumark against it, then `import -window root`.
# With DETAILS_DRIVER, a second picture: the details window of a colour printer with a paper
# jam, opened from the tray menu by the driver (details_shot), once it shows a reading.
#
#   screenshot.sh VELLUMARK PRINTER_SIM OUTPUT.png [PEAK_MEMORY_FILE [DETAILS_DRIVER DETAILS.png]]
#
# Needs Xvfb, trayer and imagemagick; openbox, when installed, draws the window frames. With
# PEAK_MEMORY_FILE, the window's VmHWM line from /proc is written there just before it is closed.
set -eu

vellumark=$1
sim=$2
output=$3
memory=${4:-}
driver=${5:-}
details_output=${6:-}

pids=""
cleanup() {
    for pid in $pids; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM

# A desktop of SIZE on DISPLAY, made the current one: Xvfb, openbox when installed, and trayer
# as the notification area at the bottom right.
# Waits for a line matching PATTERN in FILE: up to SECONDS (default 10).
wait_for_line() {
    tries=0
    until grep -q "$2" "$1" || [ $tries -ge $((${3:-10} * 10)) ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
}

# The server picks a free display number and writes it once it accepts clients, so tests run
# side by side never share a display.
desktop() {
    number=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$number" >/dev/null 2>&1 &
    pids="$! $pids"
    wait_for_line "$number" '^[0-9][0-9]*$'
    export DISPLAY=":$(cat "$number")"
    rm -f "$number"

    if command -v openbox >/dev/null 2>&1; then
        openbox >/dev/null 2>&1 &
        pids="$! $pids"
        sleep 0.5
    fi

    trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true \
        --transparent false --tint 0x303030 >/dev/null 2>&1 &
    pids="$! $pids"
    sleep 1
}

export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY || true
desktop 800x600x24

# The simulated printer on a port of its choosing; TARGET is where it listens.
start_sim() {
    said_by_sim=$(mktemp)
    "$sim" --listen 127.0.0.1:0 "$@" >"$said_by_sim" 2>/dev/null &
    pids="$! $pids"
    wait_for_line "$said_by_sim" "^listening on "
    TARGET=$(sed -n 's/^listening on //p' "$said_by_sim" | head -n 1)
    rm -f "$said_by_sim"
    [ -n "$TARGET" ] || { echo "the simulated printer did not start" >&2; exit 1; }
}

start_sim --live
"$vellumark" "$TARGET" >/dev/null 2>&1 &
app=$!
pids="$app $pids"
# Two poll cycles and the balloon.
sleep 5

if [ -n "$memory" ]; then
    grep VmHWM "/proc/$app/status" >"$memory"
fi
import -window root "$output"
echo "screenshot written to $output"

[ -n "$driver" ] || exit 0

kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
# A larger desktop of its own: the taller window and the notification's balloon side by side.
desktop 1024x768x24
start_sim --profile colour-laser --jam

said=$(mktemp)
"$driver" --condition-every 10 "$TARGET" >"$said" 2>&1 &
pids="$! $pids"
wait_for_line "$said" "details shown" 20
if ! grep -q "details shown" "$said"; then
    cat "$said" >&2
    rm -f "$said"
    echo "the details window showed no reading" >&2
    exit 1
fi
rm -f "$said"
# Painted, with the balloon of the jam's notification beside it.
sleep 1
import -window root "$details_output"
echo "screenshot written to $details_output"
