#!/usr/bin/env bash
# Photographs the panel for the README: the program on a simulated device under Xvfb, a few
# channels switched on, the link answering. Writes docs/morvix-panel.png, or the file given.
#   tools/scripts/screenshot.sh [out.png]
# QT_SCALE_FACTOR and the like pass through to the program (the screen fits a factor of 2).
set -euo pipefail
cd "$(dirname "$0")/../.."
out=$(realpath -m "${1:-docs/morvix-panel.png}")

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target morvix morvix-devsim >/dev/null

home=$(mktemp -d)
sim=""
cleanup() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    rm -rf "$home"
}
trap cleanup EXIT

# A short name beside the link lamp, as a real port's would be.
port=/tmp/ttyQV
if [ -e "$port" ] || [ -L "$port" ]; then
    echo "$port is in use; remove it if no simulated device runs" >&2
    exit 1
fi
mkdir -p "$home/QV/Morvix"
# Colours are stored red in the low byte: orange fill, navy track, blue labels.
{
    printf '[set]\r\nPort=%s\r\nFile Name=NULL\r\n' "$port"
    printf '[CH SET]\r\nCOLOR1=%d\r\nCOLOR2=%d\r\nCOLOR3=%d\r\n' 0x0080FF 0x803C1E 0xC80000
    levels=(200 128 0 255 64 90 180 30)
    power=(1 1 0 1 1 0 1 0)
    for i in 0 1 2 3 4 5 6 7; do
        printf 'CH POWER-%d=%d\r\nCH VALUE-%d=%d\r\n' "$i" "${power[i]}" "$i" "${levels[i]}"
    done
} >"$home/QV/Morvix/set.ini"

build/morvix-devsim --link "$port" >/dev/null &
sim=$!
for _ in $(seq 50); do [ -e "$port" ] && break; sleep 0.1; done
[ -e "$port" ] || { echo "simulated device did not start" >&2; exit 1; }

export XDG_CONFIG_HOME=$home OUT=$out
xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
    build/morvix & app=$!
    window=""
    for _ in $(seq 100); do
        window=$(xwininfo -root -tree | sed -n "s/^ *\(0x[0-9a-f]*\) \"Morvix \[V[0-9.]*\]\".*/\1/p" | head -n 1)
        [ -n "$window" ] && break
        sleep 0.1
    done
    # The first answers light the link lamp and the eight channels go out, one per 20 ms.
    sleep 2
    status=0
    if [ -n "$window" ]; then import -window "$window" "$OUT"; else status=1; fi
    kill $app
    wait $app 2>/dev/null
    exit $status'
echo "$out"
