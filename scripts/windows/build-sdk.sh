#!/usr/bin/env bash
# Builds the libraries VESK needs for 64-bit Windows (Qt, OpenCV, libjpeg-turbo, zlib,
# GoogleTest) from Debian 12's source packages with MinGW-w64, into a cache folder outside
# the tree, and prints that folder. The folder is keyed by the hash of this script and the
# toolchain file, so an unchanged recipe is built once and then reused; it counts as done
# only once its stamp is written, after the last library is installed.
#
# VESK_SDK_CACHE overrides the cache root (default: ~/.cache/vesk).
# Progress and timings go to stderr; stdout carries only the SDK's path.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
toolchain="$here/mingw-w64-x86_64.cmake"
key="$(cat "${BASH_SOURCE[0]}" "$toolchain" | sha256sum | cut -c1-16)"
cache="${VESK_SDK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vesk}"
prefix="$cache/windows-sdk-$key"
work="$cache/windows-sdk-$key.work"

if [[ -f "$prefix/.complete" ]]; then
    echo "Windows SDK: reusing $prefix" >&2
    echo "$prefix"
    exit 0
fi

# Exact versions, so that a given key always means the same libraries. Qt's must match the
# build machine's own Qt, whose moc, rcc and uic the cross build runs.
qt_version=6.4.2+dfsg-10
opencv_version=4.6.0+dfsg-12
jpeg_version=1:2.1.5-2
zlib_version=1:1.2.13.dfsg-1
gtest_version=1.12.1-0.2

host_qt="$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null || true)"
if [[ "${host_qt%%+*}" != "${qt_version%%+*}" ]]; then
    echo "The Windows SDK needs the build machine's Qt ${qt_version%%+*} tools (qt6-base-dev-tools), found '${host_qt}'" >&2
    exit 1
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi

# Source packages need a deb-src entry; derive one from the machine's own package sources.
if ! apt-cache showsrc qt6-base 2>/dev/null | grep -q "^Version: $qt_version\$"; then
    echo "Windows SDK: adding Debian's source package entries" >&2
    if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            "${sudo[@]}" tee /etc/apt/sources.list.d/vesk-deb-src.sources >/dev/null
    else
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
            "${sudo[@]}" tee /etc/apt/sources.list.d/vesk-deb-src.list >/dev/null
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q >&2
fi

jobs="$(nproc)"
mkdir -p "$work/src"

# Each part leaves a stamp in the work folder, so a rerun after a failure resumes there.
part() {
    local name="$1"
    shift
    if [[ -f "$work/$name.done" ]]; then
        return
    fi
    local start=$SECONDS
    echo "Windows SDK: building $name" >&2
    # A background job keeps errexit in force inside the part, which a `||` would switch off.
    ("$@") >"$work/$name.log" 2>&1 &
    if ! wait $!; then
        echo "Windows SDK: $name failed, see $work/$name.log" >&2
        tail -30 "$work/$name.log" >&2
        exit 1
    fi
    touch "$work/$name.done"
    echo "Windows SDK: $name took $((SECONDS - start)) s" >&2
}

# Downloads and unpacks one source package with Debian's patches applied; prints its folder.
source_of() {
    local package="$1" version="$2"
    local upstream="${version#*:}"
    upstream="${upstream%-*}"
    local dir="$work/src/$package-$upstream"
    if [[ ! -d "$dir" ]]; then
        (cd "$work/src" && apt-get source -q "$package=$version" >&2)
    fi
    echo "$dir"
}

cmake_build() {
    local name="$1" source="$2"
    shift 2
    rm -rf "$work/build-$name"
    cmake -S "$source" -B "$work/build-$name" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
        "$@"
    cmake --build "$work/build-$name" -j"$jobs"
    cmake --install "$work/build-$name"
    rm -rf "$work/build-$name"
}

qtbase() {
    local src
    src="$(source_of qt6-base "$qt_version")"
    # Debian's cross.patch serves its own Linux-to-Linux builds.
    if [[ ! -f "$src/.cross-patch-reverted" ]]; then
        patch -d "$src" -R -p1 <"$src/debian/patches/cross.patch"
        touch "$src/.cross-patch-reverted"
    fi
    # Qt is built first, into an empty prefix, so it takes its bundled zlib, libpng, libjpeg,
    # freetype, harfbuzz and pcre2. Only Core, Gui, Widgets and Test with the windows and
    # offscreen platform plugins are wanted; every module and feature VESK does not use is off.
    # The dfsg tarball lacks the tablet driver header (tabletevent); direct2d stays on since
    # the windows plugin's DirectWrite font database is built only with it.
    cmake_build qtbase "$src" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_pkg_config=OFF -DFEATURE_zstd=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF \
        -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF \
        -DFEATURE_gif=OFF -DFEATURE_pdf=OFF -DFEATURE_textodfwriter=OFF \
        -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
}

# Static, for OpenCV alone; the dfsg tarball lacks the resource file of zlib's DLL.
zlib() {
    local src
    src="$(source_of zlib "$zlib_version")"
    rm -rf "$work/build-zlib"
    cmake -S "$src" -B "$work/build-zlib" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
    cmake --build "$work/build-zlib" --target zlibstatic
    mkdir -p "$prefix/include" "$prefix/lib"
    cp "$src/zlib.h" "$work/build-zlib/zconf.h" "$prefix/include/"
    cp "$work/build-zlib/libzlibstatic.a" "$prefix/lib/libz.a"
    rm -rf "$work/build-zlib"
}

# Shared, with its CMake package (VESK finds it that way on Windows); SIMD through nasm.
libjpeg_turbo() {
    cmake_build libjpeg-turbo "$(source_of libjpeg-turbo "$jpeg_version")" \
        -DENABLE_SHARED=ON -DENABLE_STATIC=OFF -DREQUIRE_SIMD=ON
}

# The four modules VESK links, with DirectShow capture. The dfsg tarball has no 3rdparty/,
# so zlib and libjpeg come from the prefix and every other codec is off. Media Foundation and
# the Orbbec backend built on it do not compile against Debian's MinGW-w64 headers. No
# dispatch to wider instruction sets: the baseline keeps the build short.
opencv() {
    cmake_build opencv "$(source_of opencv "$opencv_version")" \
        -DBUILD_LIST=core,imgproc,imgcodecs,videoio -DBUILD_SHARED_LIBS=ON \
        -DBUILD_TESTS=OFF -DBUILD_PERF_TESTS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_opencv_apps=OFF \
        -DBUILD_JAVA=OFF -DBUILD_opencv_python3=OFF -DBUILD_DOCS=OFF \
        -DBUILD_ZLIB=OFF -DBUILD_JPEG=OFF -DWITH_PNG=OFF -DWITH_TIFF=OFF -DWITH_WEBP=OFF \
        -DWITH_OPENJPEG=OFF -DWITH_JASPER=OFF -DWITH_OPENEXR=OFF -DWITH_IPP=OFF -DWITH_ITT=OFF \
        -DWITH_OPENCL=OFF -DWITH_FFMPEG=OFF -DWITH_PROTOBUF=OFF -DWITH_EIGEN=OFF \
        -DWITH_LAPACK=OFF -DWITH_QUIRC=OFF -DWITH_ADE=OFF \
        -DWITH_DSHOW=ON -DWITH_MSMF=OFF -DWITH_OBSENSOR=OFF -DCPU_DISPATCH=
}

googletest() {
    cmake_build googletest "$(source_of googletest "$gtest_version")" \
        -DBUILD_GMOCK=OFF -DBUILD_SHARED_LIBS=OFF
}

part qtbase qtbase
part zlib zlib
part libjpeg-turbo libjpeg_turbo
part opencv opencv
part googletest googletest

touch "$prefix/.complete"
rm -rf "$work"
echo "Windows SDK: ready in $prefix ($(du -sh "$prefix" | cut -f1))" >&2
echo "$prefix"
