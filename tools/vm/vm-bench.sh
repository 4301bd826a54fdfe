#!/usr/bin/env bash
# The bench on real kernel drivers: boots Debian's own kernel under QEMU (software emulation) with
# an emulated FTDI USB serial adapter and an emulated 16550, each wired to a morvix-devsim on a
# host pseudo-terminal, and runs the panel of the given build inside against them.
#   tools/vm/vm-bench.sh [build-dir]     (default: build; the panel must be built there)
# The kernel package is downloaded once into <build-dir>/vm/cache and unpacked there; a second run
# downloads nothing. Results: <build-dir>/vm/results.json and the logs beside it.
set -euo pipefail
tree=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$tree/build}" && pwd)
vm=$build/vm
mkdir -p "$vm/cache"

for tool in qemu-system-x86_64 busybox kmod cpio dpkg-deb udevadm python3 dbus-run-session amidi \
    aconnect; do
    command -v "$tool" >/dev/null || {
        echo "vm-bench: $tool is missing; run tools/scripts/ensure-packages.sh" >&2
        exit 1
    }
done
for program in morvix morvix-ctl morvix-devsim morvix-vmprobe morvix-faderbox; do
    [ -x "$build/$program" ] || {
        echo "vm-bench: $build/$program is not built" >&2
        exit 1
    }
done

# The kernel: the package linux-image-amd64 points at, unpacked, never installed.
deb=$(find "$vm/cache" -maxdepth 1 -name 'linux-image-*-amd64_*.deb' | sort | tail -n 1)
if [ -z "$deb" ]; then
    resolve() {
        apt-cache depends linux-image-amd64 2>/dev/null |
            sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*-amd64\)$/\1/p' | head -n 1
    }
    package=$(resolve)
    if [ -z "$package" ]; then
        apt-get update -q >/dev/null
        package=$(resolve)
    fi
    [ -n "$package" ] || {
        echo "vm-bench: no kernel package found for linux-image-amd64" >&2
        exit 1
    }
    echo "vm-bench: downloading $package (once; kept in $vm/cache)"
    (cd "$vm/cache" && apt-get download -q "$package" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
    deb=$(find "$vm/cache" -maxdepth 1 -name 'linux-image-*-amd64_*.deb' | sort | tail -n 1)
    [ -n "$deb" ] || {
        echo "vm-bench: the kernel package did not download" >&2
        exit 1
    }
fi
kernel=$vm/kernel
stamp=$kernel/.unpacked-$(basename "$deb")
if [ ! -e "$stamp" ]; then
    rm -rf "$kernel"
    mkdir -p "$kernel"
    dpkg-deb -x "$deb" "$kernel"
    kver=$(basename "$(find "$kernel/lib/modules" -mindepth 1 -maxdepth 1 -type d | head -n 1)")
    depmod -b "$kernel" "$kver"
    touch "$stamp"
fi
kver=$(basename "$(find "$kernel/lib/modules" -mindepth 1 -maxdepth 1 -type d | head -n 1)")
vmlinuz=$kernel/boot/vmlinuz-$kver

# The initramfs: static busybox, kmod with its libraries, the modules that mounting 9p needs.
initrd=$vm/initramfs.cpio.gz
if [ ! -e "$initrd" ] || [ "$tree/tools/vm/init" -nt "$initrd" ] || [ "$0" -nt "$initrd" ] ||
    [ "$stamp" -nt "$initrd" ]; then
    staging=$vm/initramfs
    rm -rf "$staging"
    mkdir -p "$staging/bin" "$staging/sbin" "$staging/lib/modules/$kver"
    cp "$(command -v busybox)" "$staging/bin/busybox"
    cp "$(command -v kmod)" "$staging/sbin/kmod"
    for name in modprobe insmod depmod; do ln -s kmod "$staging/sbin/$name"; done
    ldd "$(command -v kmod)" | grep -o '/[^ ]*' | while read -r lib; do
        mkdir -p "$staging$(dirname "$lib")"
        cp -L "$lib" "$staging$lib"
    done
    for module in virtio_pci 9pnet_virtio 9p; do
        modprobe -d "$kernel" -S "$kver" --show-depends "$module"
    done | sed -n 's/^insmod \(.*\.ko\(\.[a-z]*\)\?\)\( .*\)\?$/\1/p' | sort -u | while read -r ko; do
        rel=${ko#"$kernel"}
        mkdir -p "$staging$(dirname "$rel")"
        cp "$ko" "$staging$rel"
    done
    cp "$kernel/lib/modules/$kver/modules.order" "$kernel/lib/modules/$kver/modules.builtin"* \
        "$staging/lib/modules/$kver/"
    depmod -b "$staging" "$kver"
    cp "$tree/tools/vm/init" "$staging/init"
    chmod +x "$staging/init"
    (cd "$staging" && find . | cpio -o -H newc --quiet | gzip -1) >"$initrd.new"
    mv "$initrd.new" "$initrd"
fi

exec python3 "$tree/tools/vm/bench.py" --tree "$tree" --build "$build" --kernel "$kernel" \
    --vmlinuz "$vmlinuz" --initrd "$initrd" --out "$vm"
