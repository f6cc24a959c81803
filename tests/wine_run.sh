#!/usr/bin/env bash
# Runs one test program under Wine for ctest.
#
# Usage: wine_run.sh [--isolated NAME] PROGRAM [ARGS...]
#
# Two things make Wine tests slow or entangled when ctest runs many at once:
# - The first Wine process of a prefix starts the Wine server and the
#   prefix's services, and they inherit that process's standard output. ctest
#   then waits for the pipe to close, which happens only when the last test
#   of the prefix has ended: a 2-second test is reported at the end of the
#   whole run. So the prefix is booted first with its output on /dev/null.
# - Programs with a main window share named objects (the instance lock, the
#   window class) through their Wine server, and keyboard focus through the
#   X display. With --isolated a test gets a prefix of its own
#   (scripts/copy_prefix.sh) and an Xvfb of its own, so such tests run side
#   by side instead of one after another.
set -u

isolated=""
if [ "${1:-}" = --isolated ]; then
    isolated=$2
    shift 2
fi
: "${WINEPREFIX:?WINEPREFIX must name the shared test prefix}"
# The tree's loader (cmake/Pathvex.cmake puts it in the tests' environment).
emulator=${PATHVEX_WINE:?PATHVEX_WINE must name the Wine loader of this tree}

boot() {
    # Starts the server and services with nothing of ours attached. The
    # server stays a minute after its last program: a test that starts while
    # an idle server is shutting down can wait for ever.
    wineserver -p60 </dev/null >/dev/null 2>&1 || true
    "$emulator" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

if [ -z "$isolated" ]; then
    boot
    # Wine's own processes that the program starts (the desktop, services)
    # inherit its output and can outlive it by minutes: they get a file, not
    # ctest's pipe, so the test ends when the program does. tail passes the
    # file on while the program runs, so a test that ctest stops at its
    # time-out still shows how far it got. The file is unlinked at once:
    # ctest's time-out kills without a signal a trap could catch, and the
    # open descriptors keep it readable until the last writer is gone.
    out=$(mktemp)
    exec 3>"$out" 4<"$out"
    rm -f "$out"
    "$emulator" "$@" <&0 >&3 2>&1 3>&- 4<&- &
    pid=$!
    exec 3>&-
    tail -n +1 -s 0.2 -f --pid=$pid <&4
    wait $pid
    exit $?
fi

base=$WINEPREFIX
prefix="${PATHVEX_PREFIX_ROOT:-${TMPDIR:-/tmp}}/pathvex-prefix-$isolated"
xvfb=""
cleanup() {
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$prefix"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A prefix left by a killed run may still have a server.
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
bash "$(dirname "$0")/../scripts/copy_prefix.sh" "$base" "$prefix" || exit 1
# The copy keeps the shared prefix's "Managed"="N" (scripts/setup.sh): Wine
# then waits for no window manager, which the tests' Xvfb does not have.
export WINEPREFIX=$prefix

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r display <"$fifo"
rm -f "$fifo"
export DISPLAY=":$display"

boot
"$emulator" "$@"
