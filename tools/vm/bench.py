#!/usr/bin/env python3
"""Host side of the bench on real kernel drivers; started by tools/vm/vm-bench.sh.

Starts three simulated devices on host pseudo-terminals, boots the machine with an emulated FTDI
adapter (usb-serial on qemu-xhci, the kernel's ftdi_sio) and an emulated 16550 (isa-serial, the
kernel's 8250, /dev/ttyS1) wired to them, and runs the scenarios through the guest agent. Plugging
is QMP device_del / device_add. Every time is taken on the host's monotonic clock, the clock of
the simulators' logs: a path appearing in the guest is stamped when the agent's report arrives.
Prints each check, writes results.json, exits 1 when any check failed."""

import argparse
import json
import os
import queue
import signal
import socket
import statistics
import subprocess
import shutil
import sys
import tempfile
import threading
import time

SERIALS = ("MVX0001", "MVX0002")  # the two emulated adapters' USB serial numbers
SYNC_DEADLINE_S = 2.0  # node (or by-id link) to the device holding the panel's eight channels
CHANNELS = 8


# Where the guest mounts the host's folders it needs: the same whichever folder the checkout and
# the build lie in on the host (under /tmp, which the guest covers with its own tmpfs, or behind a
# folder only root may enter), and free of the spaces and commas the kernel command line and
# QEMU's options cannot carry.
GUEST_SHARES = {"src": "/mnt/src", "build": "/mnt/build", "kernel": "/mnt/kernel",
                "scratch": "/mnt/scratch"}


def qemu_value(text):
    """A value inside a QEMU option list, where a comma is written twice."""
    return text.replace(",", ",,")


def now_us():
    return int(time.monotonic() * 1e6)


class Failure(Exception):
    pass


class DevSim:
    """One morvix-devsim on a host pty, reporting the line settings the far end applies."""

    def __init__(self, build, out, name):
        self.log_path = os.path.join(out, "devsim-%s.jsonl" % name)
        self.name = name
        self.proc = subprocess.Popen(
            [os.path.join(build, "morvix-devsim"), "--log", self.log_path, "--report-line"],
            stdout=subprocess.PIPE, stderr=open(os.path.join(out, "devsim-%s.err" % name), "w"),
            text=True)
        self.pty = self.proc.stdout.readline().strip()
        if not self.pty.startswith("/dev/"):
            raise Failure("morvix-devsim %s did not start" % name)

    def records(self, since_us=0):
        out = []
        with open(self.log_path) as f:
            for line in f:
                if line.strip():
                    r = json.loads(line)
                    if r["t_us"] >= since_us:
                        out.append(r)
        return out

    def sets(self, since_us=0):
        return [r for r in self.records(since_us) if r.get("cmd") == "set" and r["valid"]]

    def frames(self, since_us=0):
        return [r for r in self.records(since_us) if r["dir"] == "rx"]

    def line(self):
        lines = [r for r in self.records() if r.get("event") == "line"]
        return lines[-1] if lines else None

    def wait(self, predicate, timeout):
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value or time.monotonic() >= deadline:
                return value
            time.sleep(0.01)

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(10)


class Channel:
    """A line-oriented JSON socket with a reader thread that stamps every line on arrival."""

    def __init__(self, path, timeout=60):
        deadline = time.monotonic() + timeout
        while True:
            try:
                self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                self.sock.connect(path)
                break
            except OSError:
                self.sock.close()
                if time.monotonic() > deadline:
                    raise Failure("cannot connect to %s" % path)
                time.sleep(0.05)
        self.lines = queue.Queue()
        threading.Thread(target=self.reader, daemon=True).start()

    def reader(self):
        buffer = b""
        while True:
            try:
                chunk = self.sock.recv(65536)
            except OSError:
                chunk = b""
            if not chunk:
                self.lines.put((time.monotonic(), None))
                return
            buffer += chunk
            stamp = time.monotonic()
            while b"\n" in buffer:
                line, buffer = buffer.split(b"\n", 1)
                if line.strip():
                    self.lines.put((stamp, json.loads(line)))

    def send(self, message):
        self.sock.sendall((json.dumps(message) + "\n").encode())

    def get(self, timeout):
        try:
            stamp, message = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise Failure("no word within %.0f s" % timeout)
        if message is None:
            raise Failure("the connection closed")
        return stamp, message


class Qmp(Channel):
    def __init__(self, path):
        super().__init__(path)
        self.events = []
        self.get(30)  # greeting
        self.execute("qmp_capabilities")

    def execute(self, command, **arguments):
        self.send({"execute": command, "arguments": arguments})
        while True:
            stamp, message = self.get(30)
            if "event" in message:
                self.events.append((stamp, message))
                continue
            if "error" in message:
                raise Failure("QMP %s: %s" % (command, message["error"]))
            return stamp

    def wait_event(self, name, timeout=10):
        deadline = time.monotonic() + timeout
        while True:
            for i, (stamp, message) in enumerate(self.events):
                if message["event"] == name:
                    del self.events[i]
                    return stamp
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure("no QMP event %s" % name)
            try:
                stamp, message = self.lines.get(timeout=left)
            except queue.Empty:
                continue
            if message is not None and "event" in message:
                self.events.append((stamp, message))


class Guest(Channel):
    def __init__(self, path):
        super().__init__(path)
        self.next_id = 0
        self.path_events = []

    def call(self, op, timeout=60, **kwargs):
        self.next_id += 1
        self.send(dict(kwargs, op=op, id=self.next_id))
        deadline = time.monotonic() + timeout
        while True:
            stamp, message = self.get(max(0.1, deadline - time.monotonic()))
            if message.get("event") == "path":
                self.path_events.append((stamp, message))
                continue
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise Failure("guest %s: %s" % (op, message["error"]))
                message["host_t"] = stamp
                return message

    def start_watch(self, paths, timeout, **kwargs):
        """Sends a watch without waiting for it; finish_watch() collects the answer."""
        self.next_id += 1
        self.path_events = []
        self.watch_id = self.next_id
        self.send(dict(kwargs, op="watch", paths=paths, within=timeout, id=self.next_id))

    def finish_watch(self, timeout):
        deadline = time.monotonic() + timeout
        while True:
            stamp, message = self.get(max(0.1, deadline - time.monotonic()))
            if message.get("event") == "path":
                self.path_events.append((stamp, message))
            elif message.get("id") == self.watch_id:
                # host stamp and guest time of each path as it appeared
                return {m["path"]: (stamp, m["t"], m["match"]) for stamp, m in self.path_events}

    def sh(self, cmd, timeout=60, check=True, env=None, user=None, groups_of=None):
        r = self.call("sh", timeout=timeout + 5, cmd=cmd, timeout_s=timeout, env=env, user=user,
                      groups_of=groups_of)
        if check and r["rc"] != 0:
            raise Failure("guest: %s -> %d: %s%s" % (cmd, r["rc"], r["out"], r["err"]))
        return r


class Bench:
    def __init__(self, args):
        self.args = args
        self.build = args.build
        self.out = args.out
        self.checks = []
        self.numbers = {}
        self.panel_count = 0
        # The programs as the guest sees them; the simulators run on the host from self.build.
        self.guest_build = GUEST_SHARES["build"]
        self.probe = os.path.join(self.guest_build, "morvix-vmprobe")

    # -- reporting -----------------------------------------------------------------------------

    def check(self, name, ok, detail=""):
        self.checks.append({"check": name, "ok": bool(ok), "detail": detail})
        print("%s %s%s" % ("ok  " if ok else "FAIL", name, (": " + detail) if detail else ""),
              flush=True)
        return ok

    def number(self, name, value, unit):
        self.numbers[name] = {"value": value, "unit": unit}
        shown = ("%.1f" % value) if isinstance(value, float) else str(value)
        print("     %s: %s %s" % (name, shown, unit), flush=True)

    # -- the machine ---------------------------------------------------------------------------

    def boot(self):
        out = self.out
        self.scratch = os.path.join(out, "scratch")
        os.makedirs(self.scratch, exist_ok=True)
        # A socket's path has room for 107 bytes, which a checkout deep in a tree can exceed.
        sockets = tempfile.mkdtemp(prefix="morvix-vm-")
        self.sockets = sockets
        self.ftdi = [DevSim(self.build, out, "ftdi0"), DevSim(self.build, out, "ftdi1")]
        self.uart = DevSim(self.build, out, "uart")
        cmdline = "console=ttyS0 panic=-1 loglevel=4 quiet rdinit=/init"
        shares = {"src": self.args.tree, "build": self.build, "kernel": self.args.kernel,
                  "scratch": self.scratch}
        virtfs = []
        for tag, path in shares.items():
            virtfs += ["-virtfs", "local,path=%s,mount_tag=%s,security_model=none,multidevs=remap,"
                                  "id=%s%s" % (qemu_value(path), tag, tag,
                                               "" if tag == "scratch" else ",readonly=on")]
        qemu = [
            "qemu-system-x86_64", "-accel", "tcg,thread=multi", "-smp", "2", "-m", "1536",
            "-display", "none", "-monitor", "none", "-no-reboot", "-nic", "none",
            "-kernel", self.args.vmlinuz, "-initrd", self.args.initrd, "-append", cmdline,
            "-chardev", "file,id=console,path=" + qemu_value(os.path.join(out, "console.log")),
            "-serial", "chardev:console",
            "-chardev", "serial,id=uart,path=" + self.uart.pty,
            "-device", "isa-serial,chardev=uart,index=1",
            "-chardev", "serial,id=ftdi0,path=" + self.ftdi[0].pty,
            "-chardev", "serial,id=ftdi1,path=" + self.ftdi[1].pty,
            "-device", "qemu-xhci,id=xhci",
            "-device", self.usb_serial_spec(0),
            "-virtfs", "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,"
                       "multidevs=remap,id=hostroot",
        ] + virtfs + [
            "-device", "virtio-serial-pci",
            "-chardev", "socket,id=ctl,path=%s,server=on,wait=off"
                        % qemu_value(os.path.join(sockets, "ctl.sock")),
            "-device", "virtserialport,chardev=ctl,name=morvix.ctl",
            "-qmp", "unix:%s,server=on,wait=off" % qemu_value(os.path.join(sockets, "qmp.sock")),
        ]
        self.boot_start = time.monotonic()
        self.qemu = subprocess.Popen(qemu, stdin=subprocess.DEVNULL,
                                     stdout=open(os.path.join(out, "qemu.log"), "w"),
                                     stderr=subprocess.STDOUT)
        self.qmp = Qmp(os.path.join(sockets, "qmp.sock"))
        self.guest = Guest(os.path.join(sockets, "ctl.sock"))
        stamp, hello = self.guest.get(120)
        if hello.get("event") != "hello":
            raise Failure("the guest agent said %r" % hello)
        self.number("boot to agent", stamp - self.boot_start, "s")
        print("     guest kernel %s" % hello["kernel"], flush=True)

    def usb_serial_spec(self, index, as_dict=False):
        spec = {"driver": "usb-serial", "id": "ftdi%d" % index, "chardev": "ftdi%d" % index,
                "bus": "xhci.0", "port": str(index + 1), "serial": SERIALS[index]}
        if as_dict:
            return spec
        return ",".join(["usb-serial"] + ["%s=%s" % (k, v) for k, v in spec.items()
                                          if k != "driver"])

    def by_id(self, index):
        return "/dev/serial/by-id/usb-QEMU_QEMU_USB_SERIAL_%s-if00-port0" % SERIALS[index]

    def unplug(self, index):
        self.qmp.execute("device_del", id="ftdi%d" % index)
        self.qmp.wait_event("DEVICE_DELETED")

    def plug(self, index):
        spec = self.usb_serial_spec(index, as_dict=True)
        return self.qmp.execute("device_add", **spec)

    def shutdown(self):
        try:
            self.guest.call("quit", timeout=20)
        except Exception:
            pass
        try:
            self.qemu.wait(20)
        except subprocess.TimeoutExpired:
            self.qemu.kill()
        for sim in self.ftdi + [self.uart]:
            sim.stop()
        shutil.rmtree(self.sockets, ignore_errors=True)

    # -- the panel in the guest ----------------------------------------------------------------

    def start_panel(self, port, channels, surface=None):
        """A fresh settings folder with `port` and `channels` [(on, level)] (and surface.ini's
        text when given), the panel started on it; returns once morvix-ctl reaches it."""
        self.panel_count += 1
        home = "/tmp/cfg%d" % self.panel_count
        text = "[set]\r\nPort=%s\r\nFile Name=NULL\r\n[CH SET]\r\n" % port
        for i, (on, level) in enumerate(channels):
            text += "CH POWER-%d=%d\r\nCH VALUE-%d=%d\r\n" % (i, on, i, level)
        self.guest.call("write", path=home + "/QV/Morvix/set.ini", text=text)
        if surface is not None:
            self.guest.call("write", path=home + "/QV/Morvix/surface.ini", text=surface)
        self.panel_env = {"QT_QPA_PLATFORM": "offscreen", "XDG_CONFIG_HOME": home}
        since = now_us()
        r = self.guest.call("spawn", name="panel", argv=[os.path.join(self.guest_build, "morvix")],
                            env=self.panel_env)
        self.panel_pid = r["pid"]
        self.ctl("status", retry_s=30)
        return since

    def ctl(self, args, retry_s=0):
        cmd = "%s %s" % (os.path.join(self.guest_build, "morvix-ctl"), args)
        if retry_s:
            cmd = ("i=0; until out=$(%s 2>&1); do i=$((i+1)); [ $i -gt %d ] && "
                   "{ echo \"$out\"; exit 1; }; sleep 0.2; done; echo \"$out\""
                   % (cmd, retry_s * 5))
        return self.guest.sh(cmd, timeout=retry_s + 30)["out"]

    def status(self):
        fields = {}
        for line in self.ctl("status").splitlines():
            key, _, value = line.partition(" ")
            fields[key] = value
        return fields

    def panel_channels(self):
        """(on, level) of the eight channels as the panel holds them."""
        state = []
        for line in self.ctl("get").splitlines():
            _, on, level = line.split()
            state.append((1 if on == "on" else 0, int(level)))
        return state

    def stop_panel(self):
        return self.guest.call("stop", name="panel")

    # -- checks --------------------------------------------------------------------------------

    def startup_on(self, sim, port, node, label, channels):
        since = self.start_panel(port, channels)
        sets = sim.wait(lambda: len(sim.sets(since)) >= CHANNELS and sim.sets(since), 20)
        got = [(r["switch"], r["level"]) for r in sets[:CHANNELS]] if sets else []
        self.check("%s: start-up frames reach the device" % label,
                   [r["channel"] for r in sets[:CHANNELS]] == list(range(1, 9)) and
                   got == channels, "got %s" % got)
        polls = [r for r in sim.frames(since) if r.get("cmd") == "poll"]
        self.check("%s: the start-up poll reaches the device" % label, bool(polls))
        line = sim.line()
        self.check("%s: the driver set 19200 baud, odd parity, 1 stop bit on the line" % label,
                   line and line["baud"] == 19200 and line["parodd"] and line["stop_bits"] == 1,
                   "host pty shows %s" % line)
        real = self.guest.call("sh", cmd="stty -F %s -a" % node)["out"]
        words = real.replace(";", " ").split()
        self.check("%s: the tty in the guest is 19200 cs8 parenb parodd -cstopb" % label,
                   "19200" in words and all(w in words for w in
                                            ("cs8", "parenb", "parodd", "-cstopb")),
                   " ".join(words[:12]))
        before = len(sim.sets())
        self.ctl("set 3 on 128")
        sent = sim.wait(lambda: [r for r in sim.sets()[before:]
                                 if (r["channel"], r["switch"], r["level"]) == (3, 1, 128)], 5)
        self.check("%s: morvix-ctl set reaches the device" % label, bool(sent))

    def scenario_lines(self):
        channels = [(1, 10), (0, 20), (1, 30), (0, 40), (1, 50), (0, 60), (1, 70), (1, 255)]
        self.startup_on(self.ftdi[0], "/dev/ttyUSB0", "/dev/ttyUSB0", "ftdi_sio", channels)
        timer = self.guest.call("read", path="/sys/bus/usb-serial/devices/ttyUSB0/latency_timer")
        value = int(timer["text"]) if "text" in timer else None
        self.number("latency_timer with the panel holding ttyUSB0", value, "ms")
        self.check("ftdi_sio: the panel asked for low latency (latency_timer 1 ms)", value == 1,
                   "latency_timer %s" % value)
        # A second opener: as a user in the port's group TIOCEXCL refuses it; root is let through
        # TIOCEXCL and stopped by the lock.
        other = self.guest.call("open_probe", path="/dev/ttyUSB0", user="nobody")
        self.check("exclusive: a second opener in group dialout gets busy", other["out"] ==
                   "open EBUSY", other["out"] or other["err"])
        root = self.guest.call("open_probe", path="/dev/ttyUSB0")
        self.check("exclusive: root gets past TIOCEXCL and is stopped by the lock",
                   root["out"] in ("flock EWOULDBLOCK", "flock EAGAIN"), root["out"] or root["err"])
        told = self.guest.sh("%s open /dev/ttyUSB0" % self.probe, check=False, user="nobody",
                             groups_of="/dev/ttyUSB0")["out"]
        self.check("exclusive: another user's second panel is told who holds the port",
                   "morvix" in told and str(self.panel_pid) in told, told.replace("\n", " | "))
        self.stop_panel()
        self.startup_on(self.uart, "COM2", "/dev/ttyS1", "8250 (COM2)", channels)
        self.stop_panel()

    def fresh_adapter(self):
        """The first adapter at /dev/ttyUSB0 with nobody holding it, as after a clean boot: a
        panel that kept a vanished device's descriptor pushed it to another number."""
        for _ in range(3):
            node = self.guest.call("sh", cmd="readlink -f %s" % self.by_id(0))["out"].strip()
            if node == "/dev/ttyUSB0":
                return
            self.guest.start_watch([self.by_id(0)], 20, gone=True)
            self.unplug(0)
            self.guest.finish_watch(25)
            self.guest.start_watch([self.by_id(0)], 20)
            self.plug(0)
            self.guest.finish_watch(25)
        raise Failure("the first adapter does not come back as /dev/ttyUSB0")

    def replug_case(self, label, port, other_meanwhile):
        """Unplug the first adapter under a running panel and plug it back (with the second
        adapter plugged meanwhile, so the first returns under another number)."""
        sim = self.ftdi[0]
        self.fresh_adapter()
        start = [(1, 5), (1, 15), (0, 25), (1, 35), (0, 45), (1, 55), (0, 65), (1, 75)]
        since = self.start_panel(port, start)
        if not sim.wait(lambda: len(sim.sets(since)) >= CHANNELS, 20):
            return self.check("%s: start-up before the unplug" % label, False)
        self.ctl("set 2 off")
        self.ctl("level 4 99")
        self.ctl("set 6 on 201")
        expected = self.panel_channels()
        time.sleep(0.3)

        self.guest.start_watch(["/dev/ttyUSB0"], 20, gone=True)
        self.unplug(0)
        self.guest.finish_watch(25)
        time.sleep(1.0)
        fds = self.guest.call("fds", pid=self.panel_pid)["links"]
        stale = [l for l in fds if "ttyUSB" in l]
        self.check("%s: the panel let go of the vanished device" % label, not stale,
                   "panel still holds %s" % stale if stale else "")
        st = self.status()
        self.check("%s: status says closed while unplugged" % label,
                   st.get("open") == "no", "open %s, link %s" % (st.get("open"), st.get("link")))

        existing = []
        if other_meanwhile:
            self.guest.start_watch(["/dev/ttyUSB*"], 20)
            self.plug(1)
            seen = self.guest.finish_watch(25)
            existing = [m for _, _, m in seen.values()]
            self.guest.call("watch", paths=[self.by_id(1)], within=20, timeout=30)
            time.sleep(0.5)
        before_other = len(self.ftdi[1].frames())
        self.guest.start_watch(["/dev/ttyUSB*", self.by_id(0)], 20, exclude=existing)
        plugged = self.plug(0)
        seen = self.guest.finish_watch(25)
        if "/dev/ttyUSB*" not in seen or self.by_id(0) not in seen:
            return self.check("%s: the adapter came back in the guest" % label, False,
                              "seen %s" % seen)
        node_host, node_guest, node = seen["/dev/ttyUSB*"]
        _, link_guest, _ = seen[self.by_id(0)]
        self.number("%s: device_add to %s" % (label, node), (node_host - plugged) * 1000, "ms")
        self.number("%s: udev, node to by-id link" % label, (link_guest - node_guest) * 1000,
                    "ms")
        # The clock starts when the node appears, for a by-id port too: the panel knows the
        # adapter it had by what it is and opens the node without waiting for udev's link, which
        # a busy machine makes a good part of a second later (the panel then had its eight
        # frames out before the link, and none counted).
        zero = node_host
        wait_s = 8.0
        sets = sim.wait(lambda: len(sim.sets(int(zero * 1e6))) >= CHANNELS and
                        sim.sets(int(zero * 1e6)), wait_s)
        if sets:
            eighth = sets[CHANNELS - 1]["t_us"] / 1e6 - zero
            self.number("%s: replug to eighth frame" % label, eighth * 1000, "ms")
            got = [(r["switch"], r["level"]) for r in sets[:CHANNELS]]
            self.check("%s: the device got its state back within %.0f s" % (label,
                                                                           SYNC_DEADLINE_S),
                       eighth <= SYNC_DEADLINE_S and got == expected,
                       "%.0f ms, %s" % (eighth * 1000, "state as on the panel"
                                        if got == expected else "got %s, panel %s"
                                        % (got, expected)))
        else:
            self.number("%s: replug to eighth frame" % label, None, "(never within %.0f s)"
                        % wait_s)
            st = self.status()
            self.check("%s: the device got its state back within %.0f s" % (label,
                                                                           SYNC_DEADLINE_S),
                       False, "nothing after %.0f s; returned as %s; status open %s, link %s"
                       % (wait_s, node, st.get("open"), st.get("link")))
        if other_meanwhile:
            wrong = self.ftdi[1].frames()[before_other:]
            self.check("%s: the other adapter was left alone" % label, not wrong,
                       "%d frames went to it" % len(wrong) if wrong else "")
            self.stop_panel()
            self.unplug(1)
        else:
            self.stop_panel()
        time.sleep(0.5)

    def scenario_replug(self):
        self.replug_case("replug, Port=/dev/ttyUSB0", "/dev/ttyUSB0", False)
        self.replug_case("replug, by-id", self.by_id(0), False)
        self.replug_case("replug under another number", "/dev/ttyUSB0", True)
        self.unplug_during_sync()

    def unplug_during_sync(self):
        """Pulled while the panel sends its eight channels: it lives on, and the adapter plugged
        in again gets all eight."""
        label = "unplug during the synchronisation"
        sim = self.ftdi[0]
        self.fresh_adapter()
        start = [(1, 9), (1, 19), (1, 29), (1, 39), (1, 49), (1, 59), (1, 69), (1, 79)]
        since = self.start_panel("/dev/ttyUSB0", start)
        # Pulled as the start-up poll arrives: the device's answer starts the synchronisation,
        # so the unplug lands before or among its eight frames.
        if not sim.wait(lambda: [r for r in sim.frames(since) if r.get("cmd") == "poll"], 20):
            return self.check("%s: start-up before the unplug" % label, False)
        self.guest.start_watch(["/dev/ttyUSB0"], 20, gone=True)
        self.unplug(0)
        self.guest.finish_watch(25)
        sent = len(sim.sets(since))
        alive = self.guest.call("alive", name="panel")["alive"]
        st = self.status() if alive else {}
        self.number("%s: channels through before the unplug" % label, sent, "of 8")
        self.check("%s: the panel lives on, the port closed" % label,
                   alive and st.get("open") == "no",
                   "alive %s, open %s" % (alive, st.get("open")))
        self.guest.start_watch(["/dev/ttyUSB0"], 20)
        self.plug(0)
        seen = self.guest.finish_watch(25)
        zero = seen.get("/dev/ttyUSB0", (time.monotonic(),))[0]
        sets = sim.wait(lambda: len(sim.sets(int(zero * 1e6))) >= CHANNELS and
                        sim.sets(int(zero * 1e6)), 8)
        got = [(r["switch"], r["level"]) for r in sets[:CHANNELS]] if sets else []
        self.check("%s: all eight channels after the replug" % label, got == start,
                   "got %s" % got)
        self.stop_panel()

    def scenario_grabber(self):
        """A modem manager that grabbed the adapter first (TIOCEXCL, as root, no lock): the
        operator is told who it is and how to keep it away."""
        self.fresh_adapter()
        code = ("import ctypes, fcntl, os, termios, time\n"
                "ctypes.CDLL(None).prctl(15, b'ModemManager', 0, 0, 0)\n"
                "fd = os.open('/dev/ttyUSB0', os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)\n"
                "fcntl.ioctl(fd, termios.TIOCEXCL)\n"
                "time.sleep(120)\n")
        self.guest.call("spawn", name="grabber", argv=["python3", "-c", code])
        time.sleep(1.5)
        told = self.guest.sh("%s open /dev/ttyUSB0" % self.probe, check=False, user="nobody",
                             groups_of="/dev/ttyUSB0")["out"]
        self.guest.call("stop", name="grabber")
        self.check("a port grabbed by ModemManager is named, with the udev fix",
                   "ModemManager" in told and "ID_MM_DEVICE_IGNORE" in told,
                   told.replace("\n", " | "))

    def scenario_udev_rule(self):
        """The packaged rule on the emulated FT232R: ModemManager told to keep away, the tty in
        dialout, the by-id name as udev's own rules make it."""
        def replug():
            self.guest.start_watch([self.by_id(0)], 20, gone=True)
            self.unplug(0)
            self.guest.finish_watch(25)
            self.guest.start_watch([self.by_id(0)], 20)
            self.plug(0)
            self.guest.finish_watch(25)
            self.guest.sh("udevadm settle --timeout=30")
            props = self.guest.sh("udevadm info -q property -n %s" % self.by_id(0))["out"]
            owner = self.guest.sh("stat -L -c %%G:%%a %s" % self.by_id(0))["out"].strip()
            return props.split(), owner
        self.fresh_adapter()
        before, _ = replug()
        rule = os.path.join(GUEST_SHARES["src"], "packaging/udev/70-morvix.rules")
        self.guest.sh("mkdir -p /run/udev/rules.d && cp %s /run/udev/rules.d/ && "
                      "udevadm control --reload" % rule)
        after, owner = replug()
        self.check("udev rule: ModemManager is told to leave the adapter alone",
                   "ID_MM_DEVICE_IGNORE=1" in after and "ID_MM_DEVICE_IGNORE=1" not in before,
                   "without the rule %s, with it %s" % ("ID_MM_DEVICE_IGNORE=1" in before,
                                                         "ID_MM_DEVICE_IGNORE=1" in after))
        self.check("udev rule: by-id name kept, tty in dialout", owner == "dialout:660", owner)
        self.guest.sh("rm /run/udev/rules.d/70-morvix.rules && udevadm control --reload")

    def scenario_drain(self):
        """Frames written just before Close (as the exit's all-off is) all reach the device."""
        self.fresh_adapter()
        for sim, port, label in ((self.ftdi[0], "/dev/ttyUSB0", "ftdi_sio"),
                                 (self.uart, "/dev/ttyS1", "8250")):
            lost = []
            for _ in range(5):
                since = now_us()
                self.guest.sh("%s drain %s 40" % (self.probe, port))
                frames = sim.wait(lambda: len(sim.frames(since)) >= 41 and sim.frames(since), 3)
                got = sim.frames(since)
                if len(got) != 41 or got[-1].get("cmd") != "alloff":
                    lost.append(41 - len(got))
            self.check("%s: Write then Close loses no frame (5 x 41 frames)" % label, not lost,
                       "frames lost per run: %s" % lost if lost else "")

    def scenario_roundtrip(self):
        self.fresh_adapter()
        for low in (False, True):
            r = self.guest.call("roundtrip", path="/dev/ttyUSB0", count=60, low_latency=low,
                                timeout=120)
            times = sorted(r["times_ms"])
            label = "with" if low else "without"
            self.number("round trip frame to 'u' over ftdi_sio %s low latency, median" % label,
                        statistics.median(times), "ms")
            self.number("round trip frame to 'u' over ftdi_sio %s low latency, p95" % label,
                        times[int(len(times) * 0.95) - 1], "ms")
            self.number("latency_timer %s low latency" % label, r["latency_timer"], "ms")
            self.check("ftdi_sio takes ASYNC_LOW_LATENCY %s" % ("on" if low else "off"),
                       r["low_latency"] == low and (r["latency_timer"] == 1) == low,
                       "flag %s, latency_timer %s" % (r["low_latency"], r["latency_timer"]))
        r = self.guest.call("roundtrip", path="/dev/ttyS1", count=30, low_latency=False,
                            timeout=120)
        self.number("round trip frame to 'u' over 8250, median", statistics.median(r["times_ms"]),
                    "ms")

    def scenario_surface(self):
        import surface_stage
        started = time.monotonic()
        try:
            surface_stage.run(self)
        finally:
            self.number("control surface stage", time.monotonic() - started, "s")

    def run(self):
        started = time.monotonic()
        try:
            self.boot()
            scenarios = (self.scenario_lines, self.scenario_replug, self.scenario_grabber,
                         self.scenario_udev_rule, self.scenario_drain, self.scenario_roundtrip,
                         self.scenario_surface)
            # MORVIX_VM_ONLY=surface,lines runs those scenarios alone, to work on one of them.
            only = [n for n in os.environ.get("MORVIX_VM_ONLY", "").split(",") if n]
            for scenario in scenarios:
                if only and scenario.__name__[len("scenario_"):] not in only:
                    continue
                try:
                    scenario()
                except (Failure, RuntimeError) as e:
                    self.check(scenario.__name__, False, str(e))
                    try:
                        self.stop_panel()
                    except Failure:
                        pass
        except Failure as e:
            self.check("bench machine", False, str(e))
        finally:
            self.shutdown()
        self.number("whole bench", time.monotonic() - started, "s")
        failed = [c for c in self.checks if not c["ok"]]
        with open(os.path.join(self.out, "results.json"), "w") as f:
            json.dump({"checks": self.checks, "numbers": self.numbers}, f, indent=1)
        print("%d passed, %d failed" % (len(self.checks) - len(failed), len(failed)), flush=True)
        return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser()
    for name in ("tree", "build", "kernel", "vmlinuz", "initrd", "out"):
        parser.add_argument("--" + name, required=True)
    sys.exit(Bench(parser.parse_args()).run())


if __name__ == "__main__":
    main()
