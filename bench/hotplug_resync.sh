#!/usr/bin/env bash
# Unplug and replug, as the panel sees it: Morvix under Xvfb on the simulated device, which is
# stopped (its path goes), left away for a while, and started again at the same path. Prints the
# panel's CPU while the device is away and, per round, the time from the device's return to the
# eighth channel frame it receives.
# Usage: bench/hotplug_resync.sh [build-dir] [rounds] [seconds-away]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
rounds=${2:-5}
away=${3:-10}

demo=$(mktemp -d)
port="$demo/ttyMorvix"
mkdir -p "$demo/QV/Morvix"
printf '[set]\r\nPort=%s\r\nFile Name=NULL\r\n[CH SET]\r\nCH POWER-0=1\r\nCH VALUE-0=200\r\n' \
    "$port" >"$demo/QV/Morvix/set.ini"
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$demo"' EXIT

start_device() {
    "$build/morvix-devsim" --link "$port" --log "$demo/log$1.json" >/dev/null 2>&1 &
    sim=$!
    for _ in $(seq 50); do [ -e "$port" ] && break; sleep 0.05; done
}

export XDG_CONFIG_HOME="$demo"
start_device 0
xvfb-run -a -s '-screen 0 800x600x24' "$build/morvix" >/dev/null 2>&1 &
sleep 3
app=$(pgrep -n -x morvix)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)

for round in $(seq "$rounds"); do
    kill -INT "$sim"; wait "$sim" || true
    a0=$(ticks "$app")
    # Away for a while, ending at a random point of the panel's one-second look.
    sleep "$away.$((RANDOM % 1000))"
    a1=$(ticks "$app")
    start_device "$round"
    sleep 3
    awk -v a=$((a1 - a0)) -v hz="$hz" -v s="$away" -v r="$round" -F'"t_us":' '
        NR == 1 { split($2, f, ","); back = f[1] }
        /"cmd":"set"/ { if (++n == 8) { split($2, f, ","); last = f[1] } }
        END { printf "round %d: device away %d s, panel CPU %.2f%% of a core; ", r, s, 100 * a / hz / s
              if (n >= 8) printf "re-sync %.0f ms\n", (last - back) / 1000
              else printf "only %d channel frames\n", n }' "$demo/log$round.json"
done
