# Sourced by the project's scripts: the Wine environment of this checkout,
# and the one place that decides how each build tree's programs are run.
#
# Hosts differ: some run 32-bit programs, some run 64-bit user code only
# (any i386 executable fails with "Exec format error"). Debian's `wine`
# wrapper takes the 32-bit loader whenever wine32 is installed, so on the
# second kind it fails even for 64-bit programs. The x64 tree is therefore
# always run through the 64-bit loader itself; the i686 tree only where this
# host runs 32-bit programs and has the 32-bit loader.
# PATHVEX_64BIT_ONLY=1 takes the 64-bit-only path on any host.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

PATHVEX_WINE64=/usr/lib/wine/wine64
PATHVEX_WINE32=/usr/lib/wine/wine

# True when the kernel runs 32-bit x86 programs. The probe is a 93-byte
# static i386 program that exits with 42: it needs no 32-bit library, so it
# answers before any i386 package is installed.
pathvex_host_runs_32bit() {
    [ "${PATHVEX_64BIT_ONLY:-0}" = 1 ] && return 1
    local probe status=0
    probe=$(mktemp)
    printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00''\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00''\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00''\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xc0\x40\x31\xdb\xb3\x2a\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    [ "$status" = 42 ]
}

# True when this host can run the i686 tree's programs under Wine at all.
pathvex_wine32_works() {
    pathvex_host_runs_32bit && "$PATHVEX_WINE32" --version >/dev/null 2>&1
}

# Why the i686 tree's programs cannot run here, or nothing when they can.
pathvex_i686_blocker() {
    if [ "${PATHVEX_64BIT_ONLY:-0}" = 1 ]; then
        echo "PATHVEX_64BIT_ONLY=1 takes the 64-bit-only path"
    elif ! pathvex_host_runs_32bit; then
        echo "this host runs 64-bit programs only (a 32-bit program gives \"Exec format error\")"
    elif ! "$PATHVEX_WINE32" --version >/dev/null 2>&1; then
        echo "the 32-bit Wine loader (package wine32:i386) is not installed"
    elif [ ! -f "$WINEPREFIX/.pathvex-wow64" ]; then
        echo "the Wine prefix $WINEPREFIX was made without 32-bit Wine (scripts/setup.sh remakes it)"
    fi
}

# The loader that runs a tree's programs: x64 or x86.
pathvex_wine() {
    case $1 in
        x64) echo "$PATHVEX_WINE64" ;;
        x86) echo "$PATHVEX_WINE32" ;;
        *) echo "unknown tree $1" >&2; return 1 ;;
    esac
}

# Wine's own tools (wineboot, reg, cmd): through the 32-bit loader where it
# works, so that a prefix made here runs both trees, else the 64-bit one.
pathvex_wine_tool() {
    if pathvex_wine32_works; then
        "$PATHVEX_WINE32" "$@"
    else
        WINELOADER=$PATHVEX_WINE64 "$PATHVEX_WINE64" "$@"
    fi
}

# Starts an Xvfb of our own when there is no display; it stops with the script.
pathvex_ensure_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    local fifo n
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    PATHVEX_XVFB_PID=$!
    read -r n <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$n"
    trap 'kill $PATHVEX_XVFB_PID 2>/dev/null || true' EXIT
}

# Configures and builds one tree: x64 or x86. The tree's tests run through
# the loader named here.
pathvex_build() {
    local arch=$1 toolchain
    case $arch in
        x64) toolchain=mingw-x86_64.cmake ;;
        x86) toolchain=mingw-i686.cmake ;;
        *) echo "unknown tree $arch" >&2; return 1 ;;
    esac
    cmake -S "$root" -B "$root/build/$arch" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
        -DPATHVEX_WINE="$(pathvex_wine "$arch")" >/dev/null
    cmake --build "$root/build/$arch" -j "$(nproc)"
}
