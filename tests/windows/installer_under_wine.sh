#!/usr/bin/env bash
# The installer's round trip under Wine on a virtual display, in a fresh Wine prefix: makes
# vesk-setup-<version>-x64.exe from the build's portable folder, installs it silently, starts
# the installed vesk.exe, which must keep its settings in %APPDATA%\VESK, its log in
# %LOCALAPPDATA%\VESK and write nothing into Program Files, then uninstalls silently: the
# program, its Start menu entry and its Apps & Features entry go, the user's settings, log and
# snapshots stay.
# Usage: installer_under_wine.sh <Windows build folder>
set -euo pipefail

if [[ "${1:-}" != --on-display ]]; then
    exec xvfb-run -a -s "-screen 0 1600x1000x24" bash "$0" --on-display "$@"
fi
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM QT_QPA_FONTDIR
trap 'timeout 20 wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}
source "$here/await.sh"

cmake --install "$2" --prefix "$work/vesk" --strip >/dev/null
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$2/CMakeCache.txt")"
setup="$(bash "$here/../../scripts/windows/make-installer.sh" "$work/vesk" "$version" "$work")"
echo "ok: $(basename "$setup") is $(du -h "$setup" | cut -f1)"

wineboot -i >/dev/null 2>&1
start=$SECONDS
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VESK'
program="$WINEPREFIX/drive_c/Program Files/VESK"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VESK.lnk"
folder() { echo "$(winepath -u "$(wine cmd /c "echo %$1%" | tr -d '\r')")/VESK"; }
user="$(folder APPDATA)"
localdata="$(folder LOCALAPPDATA)"
log="$localdata/vesk-diagnostic.log"

wine "$setup" /S || fail "the installer ended with status $?"
[[ -f "$program/vesk.exe" && -f "$program/vesk-installed.txt" ]] || fail "no vesk.exe or marker in Program Files\\VESK"
[[ -f "$menu" ]] || fail "no Start menu entry"
wine reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "no Apps & Features entry"
echo "ok: installed into Program Files\\VESK with a Start menu entry and an Apps & Features entry"

installed="$(ls -AR "$program")"
VESK_LANG=en wine 'C:\Program Files\VESK\vesk.exe' &
pid=$!
window="$(timeout 120 xdotool search --sync --name '^VESK$' | head -1)" || fail "no VESK window within 120 s"
await 10 test -s "$log" || fail "no vesk-diagnostic.log in %LOCALAPPDATA%\\VESK"
await 10 test -d "$user/config" || fail "no config folder in %APPDATA%\\VESK"
grep -q 'This is an installed copy' "$log" || fail "the installed copy did not know itself: $(head -1 "$log")"
xdotool key --window "$window" alt+F4
timeout 30 tail --pid="$pid" -f /dev/null || fail "vesk.exe did not end within 30 s of the window's close"
wait "$pid" || fail "vesk.exe ended with status $?"
[[ "$(ls -AR "$program")" == "$installed" ]] || fail "the installed copy wrote into Program Files\\VESK: $(ls -AR "$program")"
echo "ok: the installed vesk.exe keeps its settings in %APPDATA%\\VESK and its log in %LOCALAPPDATA%\\VESK"

# What the user made with it; the uninstaller must leave all of it.
mkdir -p "$localdata/snapshots"
echo "2000 1500" >"$user/config/focus.txt"
touch "$localdata/snapshots/vesk-snapshot.png"
# The uninstaller runs from a copy of itself in %TEMP% and returns at once.
wine 'C:\Program Files\VESK\uninstall.exe' /S || fail "the uninstaller ended with status $?"
await 60 test ! -e "$program" || fail "Program Files\\VESK remains after the uninstall: $(ls -A "$program")"
[[ ! -e "$menu" ]] || fail "the Start menu entry remains"
! wine reg query "$key" >/dev/null 2>&1 || fail "the Apps & Features entry remains"
[[ -s "$log" && -f "$user/config/focus.txt" && -f "$localdata/snapshots/vesk-snapshot.png" ]] ||
    fail "the uninstaller removed the user's files"
echo "ok: uninstalled; the user's settings, log and snapshots remain (round trip $((SECONDS - start)) s)"
