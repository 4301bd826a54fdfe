#!/usr/bin/env bash
# CPU time the running panel takes while nobody touches it: Morvix under Xvfb on the simulated
# device, measured over 20 s after a 3 s start-up. Usage: bench/idle_cpu.sh [build-dir] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
seconds=${2:-20}

demo=$(mktemp -d)
port="$demo/ttyMorvix"
mkdir -p "$demo/QV/Morvix"
printf '[set]\r\nPort=%s\r\nFile Name=NULL\r\n' "$port" >"$demo/QV/Morvix/set.ini"
"$build/morvix-devsim" --link "$port" >"$demo/devsim.out" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$demo"' EXIT
for _ in $(seq 50); do [ -e "$port" ] && break; sleep 0.1; done

export XDG_CONFIG_HOME="$demo" MORVIX_BIN="$build/morvix" SECONDS_IDLE="$seconds"
xvfb-run -a -s '-screen 0 800x600x24' bash -c '
    ticks() { awk "{print \$14 + \$15}" "/proc/$1/stat"; }
    "$MORVIX_BIN" & app=$!
    sleep 3
    xserver=$(pgrep -n Xvfb || true)
    a0=$(ticks $app); x0=$([ -n "$xserver" ] && ticks $xserver || echo 0)
    sleep "$SECONDS_IDLE"
    a1=$(ticks $app); x1=$([ -n "$xserver" ] && ticks $xserver || echo 0)
    kill $app
    hz=$(getconf CLK_TCK)
    awk -v a=$((a1 - a0)) -v x=$((x1 - x0)) -v hz=$hz -v s="$SECONDS_IDLE" "BEGIN {
        printf \"idle CPU over %d s: morvix %.2f%% of a core, Xvfb %.2f%%\n\",
               s, 100 * a / hz / s, 100 * x / hz / s }"
'
