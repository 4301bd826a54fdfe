#!/usr/bin/env bash
# What the running panel costs while nobody touches it: Morvix under Xvfb on the simulated device,
# measured over 20 s after a 3 s start-up. CPU from /proc/<pid>/stat, wake-ups as the context
# switches of all its threads from /proc/<pid>/task/*/status.
# Usage: bench/idle_cpu.sh [build-dir] [seconds]
# Prints key=value lines: idle_seconds, cpu_percent, wakeups_per_s, xvfb_cpu_percent.
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
    switches() {
        cat /proc/$1/task/*/status 2>/dev/null |
            awk "/^(voluntary|nonvoluntary)_ctxt_switches:/ { n += \$2 } END { print n }"
    }
    "$MORVIX_BIN" & app=$!
    sleep 3
    xserver=$(pgrep -n Xvfb || true)
    a0=$(ticks $app); w0=$(switches $app); x0=$([ -n "$xserver" ] && ticks $xserver || echo 0)
    sleep "$SECONDS_IDLE"
    a1=$(ticks $app); w1=$(switches $app); x1=$([ -n "$xserver" ] && ticks $xserver || echo 0)
    kill $app
    hz=$(getconf CLK_TCK)
    awk -v a=$((a1 - a0)) -v w=$((w1 - w0)) -v x=$((x1 - x0)) -v hz=$hz -v s="$SECONDS_IDLE" "BEGIN {
        printf \"idle_seconds=%d\n\", s
        printf \"cpu_percent=%.2f\n\", 100 * a / hz / s
        printf \"wakeups_per_s=%.1f\n\", w / s
        printf \"xvfb_cpu_percent=%.2f\n\", 100 * x / hz / s }"
'
