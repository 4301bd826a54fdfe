#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) in build-fuzz and runs each in turn.
#   tools/scripts/fuzz.sh                      15 s per target (./test.sh runs 10 s)
#   tools/scripts/fuzz.sh --seconds=3600       an hour per target
#   tools/scripts/fuzz.sh --runs=10000000 frame_parser    ten million inputs, one target
#   tools/scripts/fuzz.sh --jobs=2             two targets at a time (default one)
#   tools/scripts/fuzz.sh --build-only         builds the targets, runs none
# Each target starts from its saved corpus in fuzz/corpus/<target> and grows a working corpus in
# build-fuzz/corpus/<target> (build-fuzz under $MORVIX_BUILD_ROOT when set). A finding is written to build-fuzz/findings/<target>/ and the run
# fails; once understood and mended, copy the input into fuzz/corpus/<target>/, where the replay
# test of the normal build keeps it as a regression case.
set -euo pipefail
cd "$(dirname "$0")/../.."

limit=(-max_total_time=15)
parallel=1
build_only=0
targets=()
for arg in "$@"; do
    case "$arg" in
    --seconds=*) limit=(-max_total_time="${arg#*=}") ;;
    --runs=*) limit=(-runs="${arg#*=}") ;;
    --jobs=*) parallel="${arg#*=}" ;;
    --build-only) build_only=1 ;;
    -*) echo "unknown option $arg" >&2; exit 2 ;;
    *) targets+=("$arg") ;;
    esac
done
[ ${#targets[@]} -eq 0 ] && targets=(profile_ini settings_roundtrip frame_parser rx_burst remote_message surface_events)

build=${MORVIX_BUILD_ROOT:-.}/build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMORVIX_WERROR=ON -DMORVIX_BUILD_TESTS=OFF -DMORVIX_BUILD_BENCH=OFF -DMORVIX_BUILD_FUZZ=ON \
    -DCMAKE_UNITY_BUILD=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"
[ "$build_only" = 0 ] || exit 0

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
# A target's run leaves its log and, when it found nothing, a "clean" mark; the report comes after
# all have run, in the order given.
fuzz_one() {
    local t=$1
    mkdir -p "$build/corpus/$t" "$build/findings/$t"
    rm -f "$build/findings/$t.clean"
    # At low priority: the machine is shared.
    if nice -n 19 "$build/fuzz/fuzz_$t" "${limit[@]}" -print_final_stats=1 \
        -artifact_prefix="$build/findings/$t/" "$build/corpus/$t" "fuzz/corpus/$t" \
        >"$build/findings/$t.log" 2>&1; then
        touch "$build/findings/$t.clean"
    fi
}
running=0
for t in "${targets[@]}"; do
    echo "== fuzz $t (${limit[*]})"
    fuzz_one "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$parallel" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

failed=0
for t in "${targets[@]}"; do
    log="$build/findings/$t.log"
    if [ ! -e "$build/findings/$t.clean" ]; then
        failed=1
        tail -n 40 "$log"
        echo "FINDING in $t: see $build/findings/$t/ and $log" >&2
        continue
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1)
    corpus=$(grep -oE 'corp: [0-9]+/[0-9]+[a-zA-Z]*' "$log" | tail -n 1)
    echo "$t: $runs executions, $cov, $corpus, no finding"
done
exit $failed
