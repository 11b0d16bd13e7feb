#!/usr/bin/env bash
# The Windows part of the tests: cross-builds VESK and its portable folder (build.sh), then
# runs every Windows test under Wine in a fresh Wine prefix, the program's own run from the
# portable folder among them.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
start=$SECONDS
bash "$root/scripts/windows/build.sh"
echo "Windows SDK and cross build: $((SECONDS - start)) s"

prefix="$(mktemp -d)"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'timeout 20 wineserver -k >/dev/null 2>&1 || true; rm -rf "$prefix"' EXIT
# The offscreen tests need no display; the program's own run brings its own.
unset DISPLAY WAYLAND_DISPLAY
start=$SECONDS
wineboot -i >/dev/null 2>&1
echo "Wine prefix: $((SECONDS - start)) s"

cd "$root/build-windows" && ctest --output-on-failure
