#!/usr/bin/env bash
# What the running panel costs while nobody touches it: Morvix on the simulated device, measured
# over 10 s after a 4 s start-up. CPU from /proc/<pid>/stat, wake-ups as the context switches of
# all its threads from /proc/<pid>/task/*/status (a thread that started or ended during the
# window counts with what it did inside it).
# Usage: bench/idle_cpu.sh [build-dir] [seconds] [settle-seconds]
#   MORVIX_IDLE_QPA=offscreen   no X server (the panel on Qt's offscreen platform)
#   otherwise                   under Xvfb, the panel on X11
# Prints key=value lines: platform, idle_seconds, cpu_percent, wakeups_per_s (all threads), the
# wake-ups of the UI thread and of all others, one wakeups_per_s_thread_<name> per thread name,
# and xvfb_cpu_percent.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
seconds=${2:-10}
settle=${3:-4}

demo=$(mktemp -d)
port="$demo/ttyMorvix"
mkdir -p "$demo/QV/Morvix"
printf '[set]\r\nPort=%s\r\nFile Name=NULL\r\n' "$port" >"$demo/QV/Morvix/set.ini"
"$build/morvix-devsim" --link "$port" >"$demo/devsim.out" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$demo"' EXIT
for _ in $(seq 50); do [ -e "$port" ] && break; sleep 0.1; done

export XDG_CONFIG_HOME="$demo" MORVIX_BIN="$build/morvix" SECONDS_IDLE="$seconds"
export SECONDS_SETTLE="$settle" SNAPSHOTS="$demo"
if [ "${MORVIX_IDLE_QPA:-}" = offscreen ]; then
    export IDLE_PLATFORM=offscreen
    run() { DISPLAY= QT_QPA_PLATFORM=offscreen bash -c "$1"; }
else
    export IDLE_PLATFORM=xcb
    run() { QT_QPA_PLATFORM=xcb xvfb-run -a -s '-screen 0 800x600x24' bash -c "$1"; }
fi
run '
    ticks() { awk "{print \$14 + \$15}" "/proc/$1/stat"; }
    # One line per thread: id, name, voluntary + involuntary context switches.
    snapshot() {
        for t in /proc/$1/task/*; do
            n=$(awk "/^(voluntary|nonvoluntary)_ctxt_switches:/ { n += \$2 } END { print n + 0 }" \
                "$t/status" 2>/dev/null) || continue
            printf "%s %s %s\n" "${t##*/}" "$(tr " " _ <"$t/comm" 2>/dev/null)" "$n"
        done
    }
    "$MORVIX_BIN" & app=$!
    sleep "$SECONDS_SETTLE"
    # The X server xvfb-run started for this run, not another one on the machine.
    xserver=$([ -n "${DISPLAY:-}" ] && pgrep -n -f "^Xvfb $DISPLAY " || true)
    a0=$(ticks $app); snapshot $app >"$SNAPSHOTS/before"
    x0=$([ -n "$xserver" ] && ticks $xserver || echo 0)
    sleep "$SECONDS_IDLE"
    a1=$(ticks $app); snapshot $app >"$SNAPSHOTS/after"
    x1=$([ -n "$xserver" ] && ticks $xserver || echo 0)
    kill $app
    hz=$(getconf CLK_TCK)
    awk -v a=$((a1 - a0)) -v x=$((x1 - x0)) -v hz=$hz -v s="$SECONDS_IDLE" -v ui=$app \
        -v platform="$IDLE_PLATFORM" "
        FNR == NR { before[\$1] = \$3; next }
        {
            d = \$3 - before[\$1]
            total += d
            if (\$1 == ui) uiw = d
            byname[\$2] += d
        }
        END {
            printf \"platform=%s\n\", platform
            printf \"idle_seconds=%d\n\", s
            printf \"cpu_percent=%.2f\n\", 100 * a / hz / s
            printf \"wakeups_per_s=%.1f\n\", total / s
            printf \"wakeups_per_s_ui_thread=%.1f\n\", uiw / s
            printf \"wakeups_per_s_other_threads=%.1f\n\", (total - uiw) / s
            for (n in byname) printf \"wakeups_per_s_thread_%s=%.1f\n\", n, byname[n] / s
            printf \"xvfb_cpu_percent=%.2f\n\", 100 * x / hz / s
        }" "$SNAPSHOTS/before" "$SNAPSHOTS/after"
'
