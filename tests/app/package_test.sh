#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks what an installed copy gets: the
# exact file list, dependencies on run-time packages only, and a menu entry and metadata that their
# validators accept. Where an installed copy keeps its files is the installed-copy test's business.
# Usage: package_test.sh <cpack> <build folder> <work folder>
set -euo pipefail
cpack="$1" build="$2" work="$3"
fail() { echo "$*"; exit 1; }

rm -rf "$work" && mkdir -p "$work"
(cd "$build" && "$cpack" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || fail "$(cat "$work/cpack.log")"
debs=("$work"/out/vesk_*.deb)
deb="${debs[0]}"

expected="./usr/bin/vesk ./usr/share/applications/org.korvany.vesk.desktop"
expected+=" ./usr/share/metainfo/org.korvany.vesk.metainfo.xml ./usr/share/vesk/vesk-background.jpg"
for size in 16 24 32 48 64 128 256; do
    expected+=" ./usr/share/icons/hicolor/${size}x${size}/apps/org.korvany.vesk.png"
done
diff <(tr ' ' '\n' <<<"$expected" | sort) <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort) ||
    fail "unexpected file list in $deb"

depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt6widgets6 libopencv-videoio libturbojpeg0 libjpeg62-turbo; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
! grep -Eq -- '-dev\b|cmake|g\+\+' <<<"$depends" || fail "Depends names a build tool: $depends"

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/org.korvany.vesk.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.korvany.vesk.metainfo.xml"
[[ "$(sed -n 's/^Exec=//p' "$root/usr/share/applications/org.korvany.vesk.desktop")" == vesk ]] || fail "Exec is not vesk"

echo "$(basename "$deb"): $(stat -c %s "$deb") bytes; Depends: $depends"
