#!/usr/bin/env bash
# Retakes the pictures of the pointer and sharpness badges in docs/: the demo camera open,
# the mouse over the picture, once unzoomed in English and once zoomed in with the wheel in
# Traditional Chinese. Needs xdotool to press Open and move the mouse.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [[ "${1:-}" != --on-display ]]; then
    for tool in import xdotool xvfb-run; do
        command -v "$tool" >/dev/null || { echo "needs $tool (scripts/debian-packages.txt)"; exit 1; }
    done
    bash "$root/scripts/setup.sh" >/dev/null
    xvfb-run -a -s "-screen 0 1280x760x24" bash "$0" --on-display en 0
    xvfb-run -a -s "-screen 0 1280x760x24" bash "$0" --on-display zh_TW 10
    exit 0
fi

lang="$2"
notches="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root/build/vesk" "$work/vesk"
cp -r "$root/build/assets" "$work/assets"
mkdir "$work/config"
echo "2000 1500" >"$work/config/focus.txt"

VESK_DEMO_CAMERA=1 VESK_LANG="$lang" QT_QPA_PLATFORM=xcb "$work/vesk" &
pid=$!
sleep 4

# Open keeps its distance from the window's right edge (see layout-screenshots.sh).
window="$(xdotool search --sync --name '^VESK$' | head -1)"
eval "$(xdotool getwindowgeometry --shell "$window")"
if [[ "$lang" == en ]]; then openFromRight=357; else openFromRight=296; fi
xdotool mousemove $((X + WIDTH - openFromRight)) 144 click 1
sleep 3

# The picture's middle, then a little up and left of it, where the wheel leaves the pointer.
xdotool mousemove $((X + 420)) $((Y + 380))
if ((notches > 0)); then
    xdotool click --repeat "$notches" --delay 60 4
    sleep 2
fi
xdotool mousemove $((X + 330)) $((Y + 300))
sleep 2
mkdir -p "$root/docs"
import -window root "$root/docs/pointer-focus-$lang.png"
kill -TERM "$pid"
wait "$pid" || true
