#!/usr/bin/env bash
# Cross-compiles the Windows probe and runs it under wine, headless, in a throw-away prefix.
# Exits 77 (reported as skipped) only when wine cannot run a program at all.
# Usage: run_under_wine.sh <mingw g++> <source root> <work folder>
set -uo pipefail
cxx="$1" src="$2" work="$3"

wine_bin="$(command -v wine || command -v wine64 || true)"
if [[ -z "$wine_bin" ]]; then
    echo "SKIPPED: wine is not installed, the Windows probe cannot run here"
    exit 77
fi

rm -rf "$work" && mkdir -p "$work" || exit 1
"$cxx" -std=c++17 -O1 -Wall -Wextra -Wpedantic -Werror -I"$src" \
    "$src/tests/reliability/wine_probe_main.cpp" "$src/app/crash_dump_windows.cpp" "$src/camera/dshow_devices.cpp" \
    -static -o "$work/probe.exe" -ldbghelp -lole32 -loleaut32 -lstrmiids -luuid || exit 1

prefix="$(mktemp -d)"
trap 'WINEPREFIX="$prefix" timeout 20 wineserver -k >/dev/null 2>&1; rm -rf "$prefix"' EXIT
# No display, no debug chatter, and no offer to download the .NET or HTML runtimes.
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY

run() { timeout 180 "$wine_bin" "$work/probe.exe" "$1" >"$work/$1.out" 2>"$work/$1.err"; }

run hello
if ! grep -q '^hello' "$work/hello.out"; then
    echo "SKIPPED: wine cannot start a program here:"
    cat "$work/hello.err"
    exit 77
fi

status=0
run list; rc=$?
if [[ $rc -ne 0 ]] || ! grep -qE '^devices 0 0' "$work/list.out"; then
    echo "FAIL: enumeration with no cameras: exit $rc, output: $(cat "$work/list.out" "$work/list.err")"
    status=1
else
    echo "ok: enumeration returned cleanly with no devices"
fi

rm -f "$work/vesk-crash.dmp"
run crash; rc=$?
if [[ $rc -eq 0 ]] || grep -q survived "$work/crash.out"; then
    echo "FAIL: the forced access violation did not end the probe (exit $rc)"
    status=1
elif [[ "$(head -c 4 "$work/vesk-crash.dmp" 2>/dev/null)" != "MDMP" ]]; then
    echo "FAIL: no minidump: $(ls -l "$work")"
    status=1
elif [[ -s "$work/crash.err" || -s "$work/crash.out" ]]; then
    echo "FAIL: the crash was not quiet: $(cat "$work/crash.out" "$work/crash.err")"
    status=1
else
    echo "ok: access violation left a $(stat -c %s "$work/vesk-crash.dmp")-byte minidump and a quiet exit ($rc)"
fi
exit $status
