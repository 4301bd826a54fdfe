#!/usr/bin/env bash
# Installs what is missing, checks formatting, builds and runs every test, builds and checks the
# Debian package.
#   ./test.sh              normal build + full suite
#   MORVIX_SANITIZERS=0    skip the sanitizer passes (ASan/UBSan suite, TSan serial tests)
#   MORVIX_FUZZ=0          skip the short fuzz runs
#   MORVIX_VM=0            skip the bench on real kernel drivers (QEMU, ftdi_sio and 8250)
#   MORVIX_BUILD_ROOT=dir  put the build folders (build, build-asan, ...) in dir instead of the
#                          checkout, which is then only read (a read-only tree works)
set -euo pipefail
cd "$(dirname "$0")"
out=${MORVIX_BUILD_ROOT:-.}
mkdir -p "$out"
out=$(cd "$out" && pwd)

# Each stage's title carries the time since the start, to see where the minutes go.
stage() { echo "== $* [$((SECONDS / 60)) min $((SECONDS % 60)) s]"; }

tools/scripts/ensure-packages.sh

stage "formatting"
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || true)
if [ -n "$files" ]; then
    # shellcheck disable=SC2086
    if ! clang-format --dry-run --Werror $files; then
        echo "Unformatted files; run: clang-format -i \$(git ls-files '*.cpp' '*.h')" >&2
        exit 1
    fi
fi

stage "layering"
# Every include points down the layers (model, device, settings, session, panel, ui | scripting |
# surface | remote, app | ctl).
tools/scripts/check-layers.py

jobs=$(nproc)

stage "build"
cmake -S . -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVIX_WERROR=ON >/dev/null
cmake --build "$out/build" -j "$jobs"

stage "tests"
(cd "$out/build" && ctest --output-on-failure -j "$jobs")

sanitizers=${MORVIX_SANITIZERS:-1}
fuzz=${MORVIX_FUZZ:-1}
# The sanitizer and fuzz trees are unity builds: a library's files are compiled in batches, which
# parses Qt's headers once a batch instead of once a file (about 40 % less time). The tree that is
# shipped and tested first compiles each file on its own.
build_asan() {
    cmake -S . -B "$out/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMORVIX_WERROR=ON \
        -DMORVIX_BUILD_BENCH=OFF "-DMORVIX_SANITIZE=address;undefined" -DCMAKE_UNITY_BUILD=ON \
        >/dev/null
    cmake --build "$out/build-asan" -j "$jobs"
}
build_tsan() {
    cmake -S . -B "$out/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMORVIX_WERROR=ON \
        -DMORVIX_BUILD_BENCH=OFF -DMORVIX_SANITIZE=thread -DCMAKE_UNITY_BUILD=ON >/dev/null
    cmake --build "$out/build-tsan" -j "$jobs" --target tst_port tsan_negative_control
}
build_fuzz() {
    MORVIX_BUILD_ROOT=$out tools/scripts/fuzz.sh --build-only
}
# A background step keeps its output in $out/<step>.log and its exit code in $out/<step>.rc.
run_step() {
    local step=$1 rc=0
    "build_$step" >"$out/$step.log" 2>&1 || rc=$?
    echo "$rc" >"$out/$step.rc"
    return "$rc"
}
# A stage waits for its tree, shows how it was built, and stops the script if that failed.
wait_step() {
    local step=$1
    while [ ! -e "$out/$step.rc" ]; do
        kill -0 "$background" 2>/dev/null || {
            echo "test.sh: the background build of $step ended without a word" >&2
            exit 1
        }
        sleep 1
    done
    cat "$out/$step.log"
    [ "$(cat "$out/$step.rc")" = 0 ] || exit "$(cat "$out/$step.rc")"
}

# The browser, package and VM stages leave much of the machine idle (QEMU's emulation keeps about
# one core busy): the sanitizer and fuzz trees build meanwhile, one after the other at the lowest
# priority, so that they take only what those stages leave. The sanitizer suites wait for all
# three: a compiler beside them slows their timing-bound tests past their limits. In a process
# group of its own, so that a failing stage, which stops the script, stops the compilers too.
rm -f "$out/asan.rc" "$out/tsan.rc" "$out/fuzz.rc"
set -m
(
    renice -n 19 -p "$BASHPID" >/dev/null
    if [ "$sanitizers" != "0" ]; then
        run_step asan && run_step tsan || exit 1
    fi
    if [ "$fuzz" != "0" ]; then
        run_step fuzz
    fi
) &
background=$!
set +m
trap 'kill -- -"$background" 2>/dev/null || true' EXIT

stage "browser remote"
# The page in headless chromium at a phone's size against the real panel on the simulated device;
# keeps build/remote-page-360x640.png.
dbus-run-session -- xvfb-run -a -s "-screen 0 800x600x24" \
    /usr/bin/python3 tests/browser/remote_page.py "$out/build"

stage "package"
# The package and its -dbgsym companion; the checks take the package.
deb=$(cd "$out/build" && cpack -G DEB | sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p')
tools/scripts/check-package.sh "$deb"

if [ "${MORVIX_VM:-1}" != "0" ]; then
    stage "real kernel drivers: the panel in a virtual machine (ftdi_sio, 8250, ALSA sequencer)"
    tools/vm/vm-bench.sh "$out/build"
else
    stage "real kernel drivers: skipped (MORVIX_VM=0)"
fi

stage "sanitizer and fuzz trees (building since the tests)"
[ "$sanitizers" = "0" ] || { wait_step asan && wait_step tsan; }
[ "$fuzz" = "0" ] || wait_step fuzz

if [ "$sanitizers" != "0" ]; then
    stage "ASan/UBSan suite"
    (cd "$out/build-asan" && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --output-on-failure -j "$jobs")

    stage "TSan serial tests"
    # TSAN_OPTIONS is split at spaces: the suppressions go by a name without any.
    supp=$(mktemp --suffix=.supp)
    cp tests/tsan.supp "$supp"
    (cd "$out/build-tsan" && TSAN_OPTIONS="halt_on_error=1 suppressions=$supp" \
        ctest --output-on-failure -L device)
    rm -f "$supp"
fi
if [ "$fuzz" != "0" ]; then
    stage "fuzz targets, short budget"
    MORVIX_BUILD_ROOT=$out tools/scripts/fuzz.sh --seconds=10 --jobs="$jobs"
fi
wait "$background"
trap - EXIT
stage "all green"
