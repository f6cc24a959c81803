# Sourced by the project's scripts: the Wine environment of this checkout.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

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

# Configures and builds one tree: x64 or x86.
pathvex_build() {
    local arch=$1 toolchain
    case $arch in
        x64) toolchain=mingw-x86_64.cmake ;;
        x86) toolchain=mingw-i686.cmake ;;
        *) echo "unknown tree $arch" >&2; return 1 ;;
    esac
    if [ ! -f "$root/build/$arch/build.ninja" ]; then
        cmake -S "$root" -B "$root/build/$arch" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" >/dev/null
    fi
    cmake --build "$root/build/$arch" -j "$(nproc)"
}
