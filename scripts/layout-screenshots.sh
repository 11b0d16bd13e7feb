#!/usr/bin/env bash
# Retakes the layout pictures in docs/: the whole screen per language at two screen sizes with
# the demo camera open, and the control panel by day and by night. Needs xdotool to press the
# panel's buttons on the virtual display.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [[ "${1:-}" != --on-display ]]; then
    for tool in import xdotool xvfb-run; do
        command -v "$tool" >/dev/null || { echo "needs $tool (scripts/debian-packages-test.txt)"; exit 1; }
    done
    for lang in en zh_TW zh_CN; do
        for size in 1280x760 1024x700; do
            xvfb-run -a -s "-screen 0 ${size}x24" bash "$0" --on-display "$lang" "$size"
        done
    done
    exit 0
fi

lang="$2"
size="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root/build/vesk" "$work/vesk"
cp -r "$root/build/assets" "$work/assets"

VESK_DEMO_CAMERA=1 VESK_LANG="$lang" QT_QPA_PLATFORM=xcb "$work/vesk" &
pid=$!
sleep 4

# The panel sits at the window's right edge; its buttons keep their distance from it.
window="$(xdotool search --sync --name '^VESK$' | head -1)"
eval "$(xdotool getwindowgeometry --shell "$window")"
right=$((X + WIDTH))
if [[ "$lang" == en ]]; then openFromRight=357; nightFromRight=161; panelWidth=440; else openFromRight=296; nightFromRight=154; panelWidth=370; fi

xdotool mousemove $((right - openFromRight)) 144 click 1
sleep 3
mkdir -p "$root/docs"
import -window root "$root/docs/layout-$lang-$size.png"

if [[ "$size" == 1280x760 && "$lang" != zh_CN ]]; then
    crop="${panelWidth}x${HEIGHT}+$((right - panelWidth))+${Y}"
    import -window root -crop "$crop" +repage "$root/docs/panel-$lang-day.png"
    xdotool mousemove $((right - nightFromRight)) 460 click 1
    sleep 2
    import -window root -crop "$crop" +repage "$root/docs/panel-$lang-night.png"
fi

kill -TERM "$pid"
wait "$pid" || true
