#!/usr/bin/env bash
# Retakes docs/screenshot.png: starts a copy of the built program on a virtual display
# of exactly the window's start size and photographs the whole screen.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [[ "${1:-}" != --on-display ]]; then
    command -v import >/dev/null || { echo "needs ImageMagick's import (apt-get install imagemagick)"; exit 1; }
    bash "$root/scripts/setup.sh" >/dev/null
    exec xvfb-run -a -s "-screen 0 1280x760x24" bash "$0" --on-display
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root/build/vesk" "$work/vesk"
cp -r "$root/build/assets" "$work/assets"

QT_QPA_PLATFORM=xcb "$work/vesk" &
pid=$!
sleep 4
mkdir -p "$root/docs"
import -window root "$root/docs/screenshot.png"
kill -TERM "$pid"
wait "$pid"
