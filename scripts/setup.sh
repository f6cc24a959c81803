#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test Pathvex, and
# makes the project's own Wine prefix. Idempotent; quick when all is there.
#
# The 32-bit packages (Wine's 32-bit loader, the i386 ODBC driver) are
# installed only where this host runs 32-bit programs; without them the i686
# tree is still built, and scripts/test.sh reports its tests as not run.
set -euo pipefail
source "$(dirname "$0")/env.sh"

have() { command -v "$1" >/dev/null 2>&1; }
pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }

need=()
have x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix)
have i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix)
have x86_64-w64-mingw32-windres || need+=(binutils-mingw-w64-x86-64)
have i686-w64-mingw32-windres || need+=(binutils-mingw-w64-i686)
have cmake || need+=(cmake)
have ninja || need+=(ninja-build)
pkg wine64 || need+=(wine64)
have wine || need+=(wine)
have Xvfb || need+=(xvfb)
have xvfb-run || need+=(xvfb)
have socat || need+=(socat)
have xdotool || need+=(xdotool)
have xdpyinfo || need+=(x11-utils)
have xwininfo || need+=(x11-utils)
have import || need+=(imagemagick)
have python3 || need+=(python3)
# The KML and LOC tests convert the program's files with a real peer.
have gpsbabel || need+=(gpsbabel)
[ -f /usr/include/doctest/doctest.h ] || need+=(doctest-dev)
# The database import reaches a real SQLite database through Wine's ADO and
# ODBC: the driver manager and SQLite driver of the tree's own architecture.
# Named with the native architecture: an i386 copy alone does not count.
native=$(dpkg --print-architecture)
pkg "libodbc2:$native" || need+=(libodbc2)
pkg "libodbcinst2:$native" || need+=(libodbcinst2)
pkg "libsqliteodbc:$native" || need+=(libsqliteodbc)

want32=()
if pathvex_host_runs_32bit; then
    pkg wine32:i386 || want32+=(wine32:i386)
    pkg libodbc2:i386 || want32+=(libodbc2:i386)
    # The driver manager finds the driver through its own architecture's
    # odbcinst library, which the amd64 odbcinst tool does not bring.
    pkg libodbcinst2:i386 || want32+=(libodbcinst2:i386)
    pkg libsqliteodbc:i386 || want32+=(libsqliteodbc:i386)
fi

export DEBIAN_FRONTEND=noninteractive

# One upstream index can be served broken for a while ("Mirror sync in
# progress?"): retry, then go on with the lists there are.
refresh_lists() {
    local try
    for try in 1 2 3; do
        apt-get update -qq && return 0
        echo "setup: apt-get update failed (try $try of 3)" >&2
        [ "$try" = 3 ] || sleep 10
    done
    echo "setup: going on with the package lists there are" >&2
}

# Installs the packages; on failure tries each alone and prints the names of
# those that could not be installed.
install_packages() {
    apt-get install -y -qq --no-install-recommends "$@" >/dev/null 2>&1 && return 0
    local p failed=()
    for p in "$@"; do
        apt-get install -y -qq --no-install-recommends "$p" >/dev/null 2>&1 || failed+=("$p")
    done
    [ ${#failed[@]} -eq 0 ] && return 0
    echo "${failed[*]}"
    return 1
}

if [ ${#need[@]} -gt 0 ] || [ ${#want32[@]} -gt 0 ]; then
    echo "setup: installing ${need[*]} ${want32[*]}"
    if [ ${#want32[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    refresh_lists
    if [ ${#need[@]} -gt 0 ] && ! missing=$(install_packages "${need[@]}"); then
        echo "setup: cannot install: $missing" >&2
        exit 1
    fi
    # Without these the i686 tree's tests cannot run; scripts/test.sh says so.
    if [ ${#want32[@]} -gt 0 ] && ! missing=$(install_packages "${want32[@]}"); then
        echo "setup: cannot install the 32-bit packages $missing: the i686 programs will not run here" >&2
    fi
fi

# A prefix runs i686 programs only when 32-bit Wine made it: the marker says
# it was, and a prefix made without it is made again once 32-bit Wine works.
wow64=0
pathvex_wine32_works && wow64=1
if [ ! -f "$WINEPREFIX/system.reg" ] || { [ $wow64 = 1 ] && [ ! -f "$WINEPREFIX/.pathvex-wow64" ]; }; then
    echo "setup: creating Wine prefix $WINEPREFIX"
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    pathvex_wine_tool wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "setup: Wine could not make the prefix $WINEPREFIX" >&2
        exit 1
    fi
    [ $wow64 = 1 ] && touch "$WINEPREFIX/.pathvex-wow64"
fi
# Xvfb has no window manager, and Wine waits two seconds for one each time it
# hides a window it thinks managed (every dialog that ends): manage none.
if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    pathvex_wine_tool reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
    wineserver -w || true
fi
echo "setup: ready (prefix $WINEPREFIX)"
