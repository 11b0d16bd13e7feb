#!/usr/bin/env bash
# Cross-builds VESK, its tests and benchmarks for 64-bit Windows with -Werror in
# build-windows/, against the SDK that build-sdk.sh makes (or reuses), and gathers the
# portable folder build-windows/vesk/, its zip build-windows/vesk-windows-x64.zip and its
# installer build-windows/vesk-setup-<version>-x64.exe.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
dir="$root/build-windows"
sdk="$(bash "$root/scripts/windows/build-sdk.sh")"

# A new SDK makes every library path that the last configure cached stale.
if ! grep -qsFx "CMAKE_FIND_ROOT_PATH:UNINITIALIZED=$sdk" "$dir/CMakeCache.txt"; then
    rm -f "$dir/CMakeCache.txt"
fi
# moc, rcc and uic are the build machine's own Qt tools of the same version.
cmake -S "$root" -B "$dir" -G Ninja -DVESK_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/scripts/windows/mingw-w64-x86_64.cmake" \
    -DCMAKE_PREFIX_PATH="$sdk" -DCMAKE_FIND_ROOT_PATH="$sdk" -DQT_HOST_PATH=/usr \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/windows/wine-run.sh" >/dev/null
cmake --build "$dir" -j"$(nproc)"

rm -rf "$dir/vesk" "$dir/vesk-windows-x64.zip"
cmake --install "$dir" --prefix "$dir/vesk" --strip >/dev/null
(cd "$dir" && cmake -E tar cf vesk-windows-x64.zip --format=zip vesk)
echo "Portable folder: $dir/vesk ($(du -sh "$dir/vesk" | cut -f1)), zip: $(du -h "$dir/vesk-windows-x64.zip" | cut -f1)"

rm -f "$dir"/vesk-setup-*-x64.exe
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")"
setup="$(bash "$root/scripts/windows/make-installer.sh" "$dir/vesk" "$version" "$dir")"
echo "Installer: $setup ($(du -h "$setup" | cut -f1))"
