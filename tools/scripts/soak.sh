#!/usr/bin/env bash
# Soak run (not part of CI): the panel under random operator input for a long time, on a simulated
# device that now and then goes silent or is unplugged. Prints resident memory, CPU and frames at
# every interval, then a summary.
#   tools/scripts/soak.sh [minutes=30] [build-dir=build]
set -euo pipefail
cd "$(dirname "$0")/../.."
minutes=${1:-30}
build=${2:-build}
cmake --build "$build" --target morvix_soak >/dev/null
interval=60
[ "$minutes" -lt 10 ] && interval=10
# Low priority: a soak shares the machine with everything else.
QT_QPA_PLATFORM=offscreen exec nice -n 19 "$build/bench/morvix_soak" $((minutes * 60)) "$interval"
