#!/usr/bin/env bash
# Starts Morvix on the simulated device under Xvfb with a private session bus and prints its
# accessibility tree as a screen reader sees it over AT-SPI, the Setup dialog and the colour
# grid included.
#   tools/scripts/dump-a11y-tree.sh [build-dir] > tree.txt
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
for exe in morvix morvix-devsim; do
    [ -x "$build/$exe" ] || { echo "dump-a11y-tree: build $exe in $build first" >&2; exit 1; }
done

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# A bus of our own: the accessibility bus launcher starts on it and goes with it.
eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 |
    { read -r address; read -r pid; echo "export DBUS_SESSION_BUS_ADDRESS='$address'; pids+=($pid)"; })"

"$build/morvix-devsim" --link "$work/port" --log "$work/line.log" > /dev/null &
pids+=($!)
for _ in $(seq 50); do [ -e "$work/port" ] && break; sleep 0.1; done

export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/QV/Morvix"
{
    echo "[set]"
    echo "Port=$work/port"
    echo "[CH SET]"
    echo "COLOR1=255"
    echo "COLOR2=12632256"
    echo "COLOR3=8388736"
    for c in 0 1 2 3 4 5 6 7; do
        echo "CH POWER-$c=$(( c % 3 == 2 ? 0 : 1 ))"
        echo "CH VALUE-$c=$(( c * 32 + 15 ))"
    done
} > "$XDG_CONFIG_HOME/QV/Morvix/set.ini"

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$build/morvix" 2> "$work/morvix.err" &
pids+=($!)
# Let the first answers arrive, so the link lamp says what a running panel says.
sleep 2
# The distribution's Python: pyatspi comes as a Debian package.
/usr/bin/python3 "$here/a11y_tree.py" Morvix --act --setup --line-log "$work/line.log"
