#!/usr/bin/env bash
# Installs the portable folder of a Windows build and runs vesk.exe from it under Wine on a
# virtual display, in a fresh Wine prefix with nothing on the DLL search path but the folder
# itself: the window shows, the log and config/ appear beside vesk.exe, the demo camera sends
# frames, and closing the window ends the program with status 0 and a log free of failures.
# Usage: program_under_wine.sh <Windows build folder>
set -euo pipefail

if [[ "${1:-}" != --on-display ]]; then
    exec xvfb-run -a -s "-screen 0 1600x1000x24" bash "$0" --on-display "$@"
fi
work="$(mktemp -d)"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM QT_QPA_FONTDIR
trap 'timeout 20 wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
cmake --install "$2" --prefix "$work/vesk" --strip >/dev/null
folder="$work/vesk"
log="$folder/vesk-diagnostic.log"

fail() {
    echo "FAIL: $*"
    [[ -f "$log" ]] && sed 's/^/  log: /' "$log"
    exit 1
}
source "$(dirname "${BASH_SOURCE[0]}")/await.sh"

wineboot -i >/dev/null 2>&1
VESK_DEMO_CAMERA=1 VESK_LANG=en wine "$folder/vesk.exe" &
pid=$!
window="$(timeout 120 xdotool search --sync --name '^VESK$' | head -1)" || fail "no VESK window within 120 s"
await 10 test -s "$log" || fail "no vesk-diagnostic.log beside vesk.exe"
await 10 test -d "$folder/config" || fail "no config/ beside vesk.exe"
sleep 3
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "ok: the window shows (${WIDTH}x${HEIGHT}), with vesk-diagnostic.log and config/ beside vesk.exe"

# Open keeps its place from the window's top right corner, whatever the window's width;
# measured on screenshots under Wine. The click also gives the window the keyboard focus.
xdotool mousemove $((X + WIDTH - 358)) $((Y + 143)) click 1
await 60 grep -q 'First camera frame received' "$log" || fail "the demo camera sent no frame"
xdotool key alt+F4
timeout 30 tail --pid="$pid" -f /dev/null || fail "vesk.exe did not end within 30 s of the window's close"
wait "$pid" || fail "vesk.exe ended with status $?"
if grep -Ein 'exception|rejected|unable|returned false|stopped returning' "$log"; then
    fail "failure lines in vesk-diagnostic.log"
fi
echo "ok: the demo camera sent frames; closing the window ended vesk.exe with status 0"
