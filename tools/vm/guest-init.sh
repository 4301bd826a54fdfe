#!/bin/sh
# Runs as process 1 of the bench machine on the host's read-only root: loads the USB serial
# drivers and the ALSA sequencer with its virtual raw MIDI card from the unpacked kernel package, starts udev so /dev/serial/by-id exists, and runs the
# guest agent on a private session bus. Powers the machine off when the agent ends. Its arguments
# are the guest's own paths of the shares tools/vm/init mounted.
kernel=$1 scratch=$2 tree=$3
stage() { echo "morvix-vm: $1 at $(cut -d' ' -f1 /proc/uptime) s"; }
stage "root mounted"
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export HOME=/tmp/home LANG=C.UTF-8
mkdir -p "$HOME" /run/udev /tmp/xdg && chmod 700 /tmp/xdg
export XDG_RUNTIME_DIR=/tmp/xdg

off() {
    sync
    echo o >/proc/sysrq-trigger
    # Process 1 must not end before the machine is off.
    while :; do sleep 1 2>/dev/null; done
}

# 8250 is built into the Debian kernel; these are modules.
modprobe -d "$kernel" -a virtio_console xhci_pci usbserial ftdi_sio || {
    echo "morvix-vm: the USB serial modules did not load" >&2
    off
}
# The sequencer for the control surface, and a sound card of four virtual raw MIDI ports (each
# also a sequencer client) for amidi to play a controller on.
modprobe -d "$kernel" -a snd_seq snd_virmidi || {
    echo "morvix-vm: the ALSA sequencer modules did not load" >&2
    off
}
/lib/systemd/systemd-udevd --daemon --resolve-names=early 2>/tmp/udevd.log || {
    echo "morvix-vm: udevd did not start" >&2
    off
}
udevadm trigger --action=add --type=subsystems
udevadm trigger --action=add --type=devices
udevadm settle --timeout=60
stage "udev settled"

dbus-run-session -- python3 "$tree/tools/vm/guest_agent.py" --kernel "$kernel" \
    --scratch "$scratch" --tree "$tree"
echo "morvix-vm: agent ended with $?"
off
