#!/usr/bin/env bash
# Builds Morvix and starts the panel on a simulated level controller.
# Settings of this demo live in build/demo (never in your own ~/.config).
# Without a display the panel runs under Xvfb for a few seconds and a screenshot is saved.
set -euo pipefail
cd "$(dirname "$0")"

tools/scripts/ensure-packages.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target morvix morvix-devsim

demo="$PWD/build/demo"
port="$demo/ttyMorvix"
mkdir -p "$demo/QV/Morvix"
ini="$demo/QV/Morvix/set.ini"
if [ ! -f "$ini" ]; then
    printf '[set]\r\nPort=%s\r\nFile Name=NULL\r\n' "$port" >"$ini"
fi

build/morvix-devsim --link "$port" --log "$demo/devsim.jsonl" >"$demo/devsim.out" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$port" ] && break; sleep 0.1; done
echo "Simulated device on $(head -n 1 "$demo/devsim.out") (log: $demo/devsim.jsonl)"

export XDG_CONFIG_HOME="$demo"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    set +e
    build/morvix
    code=$?
    set -e
    echo "Morvix ended with exit code $code"
else
    shot="$PWD/build/morvix-screenshot.png"
    echo "No display: running the panel under Xvfb for 5 s and saving $shot"
    xvfb-run -a -s '-screen 0 800x600x24' bash -c "
        build/morvix & app=\$!
        sleep 5
        import -window root '$shot'
        kill \$app" || true
    echo "Screenshot: $shot"
fi
