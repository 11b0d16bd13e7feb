#!/usr/bin/env bash
# Makes the installer vesk-setup-<version>-x64.exe of a portable folder with makensis
# (vesk-setup.nsi), and prints its path. Its uninstaller removes exactly the folder's files.
# Usage: make-installer.sh <portable folder> <version> <output folder>
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
folder="$(cd "$1" && pwd)"
version="$2"
out="$(cd "$3" && pwd)"
setup="$out/vesk-setup-$version-x64.exe"
files="$out/vesk-setup-files.nsh"

# A Delete line per file and an RMDir line per subfolder, deepest first, in NSIS's own paths.
(
    cd "$folder"
    find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|Delete "$INSTDIR\\&"|'
    find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|RMDir "$INSTDIR\\&"|'
) >"$files"
makensis -V2 -DVERSION="$version" -DSOURCE="$folder" -DICON="$here/../../resources/icons/vesk.ico" \
    -DFILES="$files" -DOUTFILE="$setup" "$here/vesk-setup.nsi" >&2
echo "$setup"
