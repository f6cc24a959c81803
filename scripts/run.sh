#!/usr/bin/env bash
# Installs what is missing, builds, and starts pathvex-x64 on its built-in
# simulation (timer mode, connected at start) in a folder of its own
# (build/run). Without a display it runs under Xvfb for a few seconds, saves
# a screenshot and closes the program through its own close path, so the
# settings are saved.
set -euo pipefail
source "$(dirname "$0")/env.sh"

bash "$root/scripts/setup.sh"
pathvex_build x64
loader=$(pathvex_wine x64)
export WINELOADER=$loader
exe="$root/build/x64/exe/pathvex-x64.exe"
closer="$root/build/x64/tests/app/pathvex_close_program.exe"
if [ ! -f "$exe" ]; then
    echo "run: $exe was not built" >&2
    exit 1
fi
rundir="$root/build/run"
mkdir -p "$rundir"
cp "$exe" "$rundir/"
cd "$rundir"

# The run's settings: auto-connect to the simulation, and the update
# question not yet due (it would wait for an answer).
seed_settings() {
    printf '%s\r\n' \
        '<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>' \
        '<root>' \
        ' <waypoints/>' \
        ' <cfg>' \
        '  <pathvex floatconverted="2" agc="1" upd="20"/>' \
        '  <gps simu="1"/>' \
        ' </cfg>' \
        '</root>' >pathvex.xml
}

# A prefix of its own: a Wine server that also serves other programs (tests
# of this tree running meanwhile) is tied to their display and holds their
# instance lock, and would keep this program's window off ours. A server
# that an earlier run left holds the old copy: it goes first.
WINEPREFIX="$rundir/prefix" wineserver -k 2>/dev/null || true
WINEPREFIX="$rundir/prefix" wineserver -w 2>/dev/null || true
bash "$root/scripts/copy_prefix.sh" "$WINEPREFIX" "$rundir/prefix"
export WINEPREFIX="$rundir/prefix"

# Command 379 on the command line switches the simulation to timer mode.
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    [ -f pathvex.xml ] || seed_settings
    exec "$loader" ./pathvex-x64.exe 379
fi

seed_settings
pathvex_ensure_display
"$loader" ./pathvex-x64.exe 379 &
pid=$!
# A window of the program other than the input-method window Wine makes for
# every process (the main window's title follows the simulation).
window_shown() {
    xwininfo -root -tree 2>/dev/null | grep '("pathvex-x64.exe"' | grep -qv '"Default IME"'
}
shown=0
for _ in $(seq 1 60); do
    if window_shown; then
        shown=1
        break
    fi
    kill -0 $pid 2>/dev/null || break
    sleep 0.5
done
if [ $shown = 0 ]; then
    kill $pid 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    echo "run: the program's main window did not appear: Wine ($loader) could not start pathvex-x64.exe" >&2
    exit 1
fi
sleep 5
if ! kill -0 $pid 2>/dev/null || ! window_shown; then
    wineserver -k 2>/dev/null || true
    echo "run: pathvex-x64.exe ended, or its main window went, before the screenshot" >&2
    exit 1
fi
# Without a desktop's tray Wine shows the tray icons in a window of its own
# at the top left, over the program's menu: move it to the corner.
for tray in $(xdotool search --name '^Wine System Tray$' 2>/dev/null); do
    xdotool windowmove "$tray" 860 744 2>/dev/null || true
done
sleep 0.5
shot="$rundir/screenshot.png"
import -window root "$shot"
# WM_CLOSE through the program's own close path, so the settings are saved.
if [ -f "$closer" ]; then
    "$loader" "$closer" 15 || echo "run: the program did not close by itself" >&2
fi
for _ in $(seq 1 20); do kill -0 $pid 2>/dev/null || break; sleep 0.5; done
kill $pid 2>/dev/null || true
# Wine's desktop process is still connected to our display; once the server
# has let it go, stopping the display leaves no broken connection behind.
wineserver -w 2>/dev/null || true
echo "run: screenshot at $shot"
