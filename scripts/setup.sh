#!/usr/bin/env bash
# Installs the Debian packages that are missing, then configures and builds VESK in build/.
# Quick when nothing changed: no apt-get call, and the build only checks time stamps.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

missing=()
while read -r package; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done < <(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$root/scripts/debian-packages.txt")

if ((${#missing[@]} > 0)); then
    echo "Installing missing packages: ${missing[*]}"
    sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Every script configures build/ with these same options, so none forces a rebuild of another's work.
cmake -S "$root" -B "$root/build" -DVESK_WERROR=ON >/dev/null
cmake --build "$root/build" -j"$(nproc)"
