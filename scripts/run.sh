#!/usr/bin/env bash
# Installs what is missing, builds, and starts pathvex-x64 on its built-in
# simulation in a folder of its own (build/run). Without a display it runs
# under Xvfb for a few seconds, saves a screenshot and closes the program
# through its own close path.
set -euo pipefail
source "$(dirname "$0")/env.sh"

bash "$root/scripts/setup.sh"
pathvex_build x64
exe="$root/build/x64/exe/pathvex-x64.exe"
if [ ! -f "$exe" ]; then
    echo "run: $exe was not built" >&2
    exit 1
fi
rundir="$root/build/run"
mkdir -p "$rundir"
cp "$exe" "$rundir/"
cd "$rundir"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec wine ./pathvex-x64.exe
fi
pathvex_ensure_display
wine ./pathvex-x64.exe &
pid=$!
sleep 8
import -window root "$rundir/screenshot.png"
# WM_CLOSE through the program's own close path, so the settings are saved.
wid=$(xdotool search --name '^Pathvex' | head -n 1 || true)
[ -n "$wid" ] && xdotool windowclose "$wid" 2>/dev/null || true
for _ in $(seq 1 20); do kill -0 $pid 2>/dev/null || break; sleep 0.5; done
kill $pid 2>/dev/null || true
wineserver -w 2>/dev/null || true
echo "run: screenshot at $rundir/screenshot.png"
