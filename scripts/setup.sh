#!/usr/bin/env bash
# Installs the Debian packages that are missing, then configures and builds VESK in build/.
# Plain, it installs what building and running need and builds the program alone; with
# --tests it installs the tests' packages too and builds everything.
# Quick when nothing changed: no apt-get call, and the build only checks time stamps.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

lists=("$root/scripts/debian-packages-run.txt")
configure=(-DVESK_WERROR=ON)
build=(--target vesk)
if [[ "${1:-}" == --tests ]]; then
    lists+=("$root/scripts/debian-packages-test.txt")
    configure+=(-DVESK_BUILD_TESTS=ON)
    build=()
elif [[ ! -f "$root/build/CMakeCache.txt" ]]; then
    # The tests need packages this mode does not install; a later --tests run switches them on.
    configure+=(-DVESK_BUILD_TESTS=OFF)
fi

missing=()
while read -r package; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done < <(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "${lists[@]}")

if ((${#missing[@]} > 0)); then
    echo "Installing missing packages: ${missing[*]}"
    sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Every script configures build/ with the same compiler options, so none forces a rebuild of
# another's work; whether the tests are built changes no compiled file of the program.
cmake -S "$root" -B "$root/build" "${configure[@]}" >/dev/null
cmake --build "$root/build" -j"$(nproc)" "${build[@]}"
