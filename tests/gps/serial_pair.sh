#!/usr/bin/env bash
# Runs a test program under Wine with a real serial port whose far end is in
# the test's hands: a socat pseudo-terminal pair, one end linked into the Wine
# prefix as COMn, the other reachable from Windows through the Z: drive.
#
# Usage: serial_pair.sh COMn COMMAND [ARGS...]
#
# The program learns the port and the far end from PATHVEX_GPS_COM and
# PATHVEX_GPS_PAIR (the Windows path of the far end). The same port is also
# there under a name that is not "COMn", as a Bluetooth or USB receiver's
# port may be: PATHVEX_GPS_ALIAS ("BTGPS11" for COM11). It can pull the pair
# away mid-read, or get a fresh one, by creating a file in PATHVEX_GPS_CTL:
# "cut" ends socat, "renew" starts a new pair; the file disappears once done.
set -u

com=$1
shift
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"

dir=$(mktemp -d "${TMPDIR:-/tmp}/pathvex-serial.XXXXXX")
link="$WINEPREFIX/dosdevices/$(printf '%s' "$com" | tr 'A-Z' 'a-z')"
alias="BTGPS${com#COM}"
alias_link="$WINEPREFIX/dosdevices/$(printf '%s' "$alias" | tr 'A-Z' 'a-z')"
server=""

cleanup() {
    touch "$dir/quit" 2>/dev/null
    [ -n "$server" ] && wait "$server" 2>/dev/null
    # Only our own link: another tree's run uses another COM number.
    for l in "$link" "$alias_link"; do
        [ -L "$l" ] && [ "$(readlink "$l")" = "$dir/gpsA" ] && rm -f "$l"
    done
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Keeps one socat pair alive and acts on the control files.
serve() {
    local pid=""
    start() {
        rm -f "$dir/gpsA" "$dir/gpsB"
        socat pty,raw,echo=0,link="$dir/gpsA" pty,raw,echo=0,link="$dir/gpsB" 2>/dev/null &
        pid=$!
        for _ in $(seq 200); do
            [ -e "$dir/gpsA" ] && [ -e "$dir/gpsB" ] && return 0
            sleep 0.02
        done
        return 1
    }
    stop() {
        [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
        pid=""
    }
    start || exit 1
    touch "$dir/ready"
    while [ ! -e "$dir/quit" ]; do
        if [ -e "$dir/cut" ]; then stop; rm -f "$dir/cut"; fi
        if [ -e "$dir/renew" ]; then stop; start; rm -f "$dir/renew"; fi
        sleep 0.02
    done
    stop
}

# A hung-up pseudo-terminal sends the Wine server a SIGHUP, on which it dumps
# its object table to its standard error; a server started here keeps that
# out of the test's output (an already running one is left as it is).
wineserver -p5 >/dev/null 2>&1 &

serve &
server=$!
for _ in $(seq 250); do
    [ -e "$dir/ready" ] && break
    kill -0 "$server" 2>/dev/null || { echo "serial_pair: socat did not start" >&2; exit 1; }
    sleep 0.02
done
[ -e "$dir/ready" ] || { echo "serial_pair: no pseudo-terminal pair" >&2; exit 1; }
ln -sfn "$dir/gpsA" "$link"
ln -sfn "$dir/gpsA" "$alias_link"

export PATHVEX_GPS_COM="$com"
export PATHVEX_GPS_ALIAS="$alias"
export PATHVEX_GPS_PAIR="Z:${dir//\//\\}\\gpsB"
export PATHVEX_GPS_CTL="Z:${dir//\//\\}"
"$@"
