#!/usr/bin/env bash
# What the running panel costs while nobody touches it: Morvix under Xvfb on the simulated device,
# measured over 20 s after a 3 s start-up. CPU from /proc/<pid>/stat, wake-ups as the context
# switches of all its threads from /proc/<pid>/task/*/status.
# Usage: bench/idle_cpu.sh [build-dir] [seconds]; MORVIX_IDLE_QPA=offscreen leaves out the X server.
# Prints key=value lines: idle_seconds, cpu_percent, wakeups_per_s (all threads), then the
# wake-ups of the UI thread and of all others, and xvfb_cpu_percent.
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
if [ "${MORVIX_IDLE_QPA:-}" = offscreen ]; then
    run() { DISPLAY= QT_QPA_PLATFORM=offscreen bash -c "$1"; }
else
    run() { xvfb-run -a -s '-screen 0 800x600x24' bash -c "$1"; }
fi
run '
    ticks() { awk "{print \$14 + \$15}" "/proc/$1/stat"; }
    # All threads of the process, or with a second argument only its first (UI) thread.
    switches() {
        cat /proc/$1/task/${2:-*}/status 2>/dev/null |
            awk "/^(voluntary|nonvoluntary)_ctxt_switches:/ { n += \$2 } END { print n + 0 }"
    }
    "$MORVIX_BIN" & app=$!
    sleep 3
    # The X server xvfb-run started for this run, not another one on the machine.
    xserver=$([ -n "${DISPLAY:-}" ] && pgrep -n -f "^Xvfb $DISPLAY " || true)
    a0=$(ticks $app); w0=$(switches $app); u0=$(switches $app $app)
    x0=$([ -n "$xserver" ] && ticks $xserver || echo 0)
    sleep "$SECONDS_IDLE"
    a1=$(ticks $app); w1=$(switches $app); u1=$(switches $app $app)
    x1=$([ -n "$xserver" ] && ticks $xserver || echo 0)
    kill $app
    hz=$(getconf CLK_TCK)
    awk -v a=$((a1 - a0)) -v w=$((w1 - w0)) -v u=$((u1 - u0)) -v x=$((x1 - x0)) -v hz=$hz \
        -v s="$SECONDS_IDLE" "BEGIN {
        printf \"idle_seconds=%d\n\", s
        printf \"cpu_percent=%.2f\n\", 100 * a / hz / s
        printf \"wakeups_per_s=%.1f\n\", w / s
        printf \"wakeups_per_s_ui_thread=%.1f\n\", u / s
        printf \"wakeups_per_s_other_threads=%.1f\n\", (w - u) / s
        printf \"xvfb_cpu_percent=%.2f\n\", 100 * x / hz / s }"
'
