#!/usr/bin/env bash
# Installs the Debian packages Morvix needs, but only those that are missing,
# so a second run costs nothing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang-format
    clang libclang-rt-14-dev llvm-14
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libbenchmark-dev
    fonts-liberation fonts-nanum
    xvfb xauth imagemagick x11-utils
    # bench/script_flood: presses keys and clicks on the X server (XTest)
    libxtst-dev
    # tools/scripts/dump-a11y-tree.sh: the accessibility bus and a client that walks it;
    # dbus-daemon also gives the scripting tests their private session bus (dbus-run-session)
    at-spi2-core python3-pyatspi dbus-daemon
    # ./test.sh's package step: dpkg-shlibdeps and dpkg-buildflags, the desktop entry, AppStream
    # and man page checks, Debian's own package checker, and the debug link's reader
    dpkg-dev desktop-file-utils appstream groff-base lintian binutils
    # tools/vm/vm-bench.sh: the machine, its init and module loader, its initramfs, and udev for
    # the /dev/serial/by-id names (the kernel itself is downloaded into the build folder)
    qemu-system-x86 busybox-static kmod cpio udev
    # the control surface: the ALSA sequencer, and the tools the VM bench plays a controller with
    libasound2-dev alsa-utils
    # the browser remote: the WebSocket server, the link's QR code, and a real browser for its test
    qt6-websockets-dev libqrencode-dev chromium chromium-driver python3-selenium
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"; then
    # Package lists on a fresh machine may be stale or absent.
    "${sudo_cmd[@]}" apt-get update -q
    "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi
