#!/usr/bin/env bash
# Line coverage of the code under each fuzz target: replays the saved corpus and the working
# corpus of a fuzz run (build-fuzz/corpus) through a clang build with coverage instrumentation
# and prints llvm-cov's summary for the files each target exercises.
#   tools/scripts/fuzz-coverage.sh [target...]
set -euo pipefail
cd "$(dirname "$0")/../.."

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(profile_ini settings_roundtrip frame_parser rx_burst)
declare -A sources=(
    [profile_ini]="src/settings/ProfileIni.cpp"
    [settings_roundtrip]="src/panel/ControllerSettings.cpp src/settings/SettingsStore.cpp src/settings/ChSetSection.cpp src/settings/ProfileIni.cpp src/settings/StagedFile.cpp"
    [frame_parser]="tools/devsim/DevSimFrameParser.cpp"
    [rx_burst]="src/panel/LinkSupervision.cpp src/panel/PanelController.cpp"
)

build=build-fuzz-cov
flags="-fprofile-instr-generate -fcoverage-mapping"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DMORVIX_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
    >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/replay_}" >/dev/null

for t in "${targets[@]}"; do
    profile="$build/$t.profraw"
    dirs=("fuzz/corpus/$t")
    [ -d "build-fuzz/corpus/$t" ] && dirs+=("build-fuzz/corpus/$t")
    LLVM_PROFILE_FILE="$profile" nice -n 19 "$build/fuzz/replay_$t" "${dirs[@]}"
    llvm-profdata-14 merge -sparse "$profile" -o "$build/$t.profdata"
    echo "== $t"
    # shellcheck disable=SC2086
    llvm-cov-14 report "$build/fuzz/replay_$t" -instr-profile="$build/$t.profdata" ${sources[$t]}
done
