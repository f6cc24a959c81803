#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test Pathvex, and
# makes the project's own Wine prefix. Idempotent; quick when all is there.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix)
have i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix)
have x86_64-w64-mingw32-windres || need+=(binutils-mingw-w64-x86-64)
have i686-w64-mingw32-windres || need+=(binutils-mingw-w64-i686)
have cmake || need+=(cmake)
have ninja || need+=(ninja-build)
pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
pkg wine64 || need+=(wine64)
have Xvfb || need+=(xvfb)
have xvfb-run || need+=(xvfb)
have socat || need+=(socat)
have xdotool || need+=(xdotool)
have xdpyinfo || need+=(x11-utils)
have import || need+=(imagemagick)
have python3 || need+=(python3)
# The KML and LOC tests convert the program's files with a real peer.
have gpsbabel || need+=(gpsbabel)
[ -f /usr/include/doctest/doctest.h ] || need+=(doctest-dev)
pkg wine32:i386 || need+=(wine32:i386)
# pathvex-x86's database import reaches real databases through Wine's ADO
# and ODBC: the i386 ODBC driver manager and SQLite driver.
pkg libodbc2:i386 || need+=(libodbc2:i386)
pkg libsqliteodbc:i386 || need+=(libsqliteodbc:i386)
have wine || need+=(wine)

if [ ${#need[@]} -gt 0 ]; then
    echo "setup: installing ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# The prefix must be made after wine32 is there, or it cannot run i686 programs.
if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    echo "setup: creating Wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
fi
# Xvfb has no window manager, and Wine waits two seconds for one each time it
# hides a window it thinks managed (every dialog that ends): manage none.
if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
    wineserver -w || true
fi
echo "setup: ready (prefix $WINEPREFIX)"
