#!/usr/bin/env bash
# Retakes docs/screenshot.png: starts a copy of the built program on a virtual display of
# exactly the window's start size, opens the demo camera with the overlay centred on its
# frame and photographs the whole screen. Then docs/pointer-focus.png: zoomed in with the
# wheel, the mouse over the picture, for the pointer and sharpness badges. Last
# docs/spot-finder.png: the demo camera with a spot beside the centre and a scale set, for the
# spot, offset and corner badges. Needs xdotool to press Open and move the mouse.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [[ "${1:-}" != --on-display ]]; then
    for tool in import xdotool xvfb-run; do
        command -v "$tool" >/dev/null || { echo "needs $tool (scripts/debian-packages-test.txt)"; exit 1; }
    done
    bash "$root/scripts/setup.sh" >/dev/null
    exec xvfb-run -a -s "-screen 0 1280x760x24" bash "$0" --on-display
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root/build/vesk" "$work/vesk"
cp -r "$root/build/assets" "$work/assets"
mkdir "$work/config"
echo "2000 1500" >"$work/config/focus.txt"

# Starts the copy with the demo camera (extra environment as arguments) and presses Open;
# sets pid and the window's geometry.
open_demo() {
    env VESK_DEMO_CAMERA=1 VESK_LANG=en QT_QPA_PLATFORM=xcb "$@" "$work/vesk" &
    pid=$!
    sleep 4
    # Open sits at a fixed distance from the window's right edge (see layout-screenshots.sh).
    window="$(xdotool search --sync --name '^VESK$' | head -1)"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove $((X + WIDTH - 357)) 144 click 1
}

open_demo
sleep 3
mkdir -p "$root/docs"
import -window root "$root/docs/screenshot.png"

xdotool mousemove $((X + 420)) $((Y + 380)) click --repeat 10 --delay 60 4
xdotool mousemove $((X + 330)) $((Y + 300))
sleep 2
import -window root "$root/docs/pointer-focus.png"
kill -TERM "$pid"
wait "$pid"

# The spot 12.4 px right of and 3.1 px above the centre code, at 1.55 um per pixel.
echo "1.55" >"$work/config/scale-vesk7.2.txt"
open_demo VESK_DEMO_SPOT=2012.4,1496.9
sleep 4
import -window root "$root/docs/spot-finder.png"
kill -TERM "$pid"
wait "$pid"
