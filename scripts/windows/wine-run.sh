#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine with the SDK's DLLs and Qt plugins and the
# MinGW runtime on its search path. The Windows build uses it as its emulator, so ctest runs
# the Windows tests here; the offscreen platform is given the same fonts as the Linux tests.
# Usage: wine-run.sh program.exe [arguments]
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
sdk="$(bash "$here/build-sdk.sh" 2>/dev/null)"
runtime_dir() { dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name="$1")")"; }

export WINEPATH="Z:$sdk/bin;Z:$sdk/x64/mingw/bin;Z:$(runtime_dir libstdc++-6.dll);Z:$(runtime_dir libwinpthread-1.dll)"
export QT_PLUGIN_PATH="Z:$sdk/plugins"
export QT_QPA_FONTDIR="Z:/usr/share/fonts/truetype/dejavu"
# Without a console, Qt's test and log output would go to the debugger instead of the pipe.
export QT_FORCE_STDERR_LOGGING=1
# Wine keeps QT_ variables, meant for the Linux Qt, from Windows programs; the same names
# prefixed with WINE reach them.
for name in $(compgen -e | grep '^QT_'); do
    export "WINE$name=${!name}"
done
# No debug chatter, and no offer to download the .NET or HTML runtimes.
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
