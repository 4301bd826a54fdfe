#!/usr/bin/env python3
"""The bench machine's hands: runs inside the guest, on the host's read-only root, and carries
out what tools/vm/bench.py asks over the virtio control port, one JSON line per request and
one per reply. Paths it watches for are reported the moment they appear, as lines of their own,
so the host can stamp them with its own clock."""

import argparse
import errno
import fcntl
import glob
import json
import os
import select
import signal
import struct
import subprocess
import sys
import termios
import time

# struct serial_struct: the flags field follows type, line, port and irq.
SERIAL_FLAGS_OFFSET = 16
SERIAL_STRUCT_SIZE = 72
ASYNC_LOW_LATENCY = 1 << 13
POLL_FRAME = bytes([0x95, 0x01, 0x00, 0x00, 0x00, 0x96])


def find_control_port():
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        for name_file in glob.glob("/sys/class/virtio-ports/*/name"):
            with open(name_file) as f:
                if f.read().strip() == "morvix.ctl":
                    return "/dev/" + os.path.basename(os.path.dirname(name_file))
        time.sleep(0.05)
    sys.exit("guest agent: no control port")


class Agent:
    def __init__(self, port, args):
        self.fd = os.open(port, os.O_RDWR | os.O_NOCTTY)
        self.args = args
        self.children = {}
        self.buffer = b""

    def send(self, message):
        data = (json.dumps(message) + "\n").encode()
        while data:
            n = os.write(self.fd, data)
            data = data[n:]

    def lines(self):
        while True:
            while b"\n" in self.buffer:
                line, self.buffer = self.buffer.split(b"\n", 1)
                if line.strip():
                    yield json.loads(line)
            chunk = os.read(self.fd, 65536)
            if not chunk:
                time.sleep(0.05)  # the host has not connected yet
                continue
            self.buffer += chunk

    def run(self):
        self.send({"event": "hello", "kernel": os.uname().release,
                   "uptime": float(open("/proc/uptime").read().split()[0])})
        for request in self.lines():
            op = request.get("op")
            try:
                reply = getattr(self, "op_" + op)(request)
            except Exception as e:  # the host shows it and fails the check
                reply = {"error": "%s: %s" % (type(e).__name__, e)}
            reply["id"] = request.get("id")
            self.send(reply)
            if op == "quit":
                return

    # -- requests ------------------------------------------------------------------------------

    def op_quit(self, r):
        for name in list(self.children):
            self.op_stop({"name": name})
        return {"ok": True}

    def op_sh(self, r):
        t0 = time.monotonic()
        p = subprocess.run(r["cmd"], shell=True, capture_output=True, text=True,
                           timeout=r.get("timeout_s", 60), env=self.env(r.get("env")),
                           **self.as_user(r.get("user"), r.get("groups_of")))
        return {"rc": p.returncode, "out": p.stdout, "err": p.stderr, "t0": t0,
                "t1": time.monotonic()}

    def op_clock(self, r):
        return {"t": time.monotonic()}

    @staticmethod
    def as_user(user, groups_of):
        """Another user (in nogroup) who also has the group of the file `groups_of`, as someone
        in dialout has a serial port's."""
        if not user:
            return {}
        import grp
        import pwd
        kwargs = {"user": pwd.getpwnam(user).pw_uid, "group": grp.getgrnam("nogroup").gr_gid}
        if groups_of:
            kwargs["extra_groups"] = [os.stat(groups_of).st_gid]
        return kwargs

    def op_write(self, r):
        os.makedirs(os.path.dirname(r["path"]), exist_ok=True)
        with open(r["path"], "wb") as f:
            f.write(r["text"].encode())
        return {"ok": True}

    def op_read(self, r):
        """The file's text, from byte `offset` on when given (a log read as it grows)."""
        try:
            with open(r["path"], "rb") as f:
                f.seek(r.get("offset", 0))
                return {"text": f.read().decode(errors="replace")}
        except OSError as e:
            return {"errno": errno.errorcode.get(e.errno, str(e.errno))}

    def env(self, extra):
        env = dict(os.environ)
        env.update(extra or {})
        return env

    def op_spawn(self, r):
        self.op_stop({"name": r["name"]})
        log = open("/tmp/%s.log" % r["name"], "wb")
        p = subprocess.Popen(r["argv"], env=self.env(r.get("env")), stdout=log,
                             stderr=subprocess.STDOUT,
                             stdin=subprocess.PIPE if r.get("stdin") else subprocess.DEVNULL)
        self.children[r["name"]] = p
        return {"pid": p.pid}

    def op_feed(self, r):
        """A line to the standard input of a child spawned with stdin."""
        p = self.children[r["name"]]
        p.stdin.write((r["line"] + "\n").encode())
        p.stdin.flush()
        return {"t": time.monotonic()}

    def op_stop(self, r):
        p = self.children.pop(r["name"], None)
        if p is None:
            return {"ok": True}
        if p.poll() is None:
            p.send_signal(signal.SIGTERM)
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        with open("/tmp/%s.log" % r["name"], errors="replace") as f:
            return {"rc": p.returncode, "log": f.read()[-4000:]}

    def op_alive(self, r):
        p = self.children.get(r["name"])
        return {"alive": p is not None and p.poll() is None}

    def op_fds(self, r):
        links = []
        for fd in glob.glob("/proc/%d/fd/*" % r["pid"]):
            try:
                links.append(os.readlink(fd))
            except OSError:
                pass
        return {"links": links}

    def op_watch(self, r):
        """Reports each of `paths` as an event line when it exists (or, with gone, when it no
        longer does), then replies; `glob` entries report the first match not in `exclude`."""
        pending = list(r["paths"])
        gone = r.get("gone", False)
        exclude = set(r.get("exclude", []))
        seen = {}
        deadline = time.monotonic() + r.get("within", 30)
        while pending and time.monotonic() < deadline:
            for path in list(pending):
                if any(c in path for c in "*?["):
                    matches = [m for m in sorted(glob.glob(path)) if m not in exclude]
                    hit = matches[0] if matches else None
                else:
                    hit = path if os.path.lexists(path) else None
                if (hit is None) == gone:
                    t = time.monotonic()
                    seen[path] = {"t": t, "match": hit}
                    self.send({"event": "path", "path": path, "match": hit, "t": t})
                    pending.remove(path)
            time.sleep(0.002)
        return {"seen": seen, "missing": pending}

    def op_roundtrip(self, r):
        """Poll frames to the device, each timed from the write to the answer's arrival."""
        fd = os.open(r["path"], os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        try:
            attrs = termios.tcgetattr(fd)
            attrs[0] = 0
            attrs[1] = 0
            attrs[2] = termios.CS8 | termios.PARENB | termios.PARODD | termios.CREAD | termios.CLOCAL
            attrs[3] = 0
            attrs[4] = attrs[5] = termios.B19200
            termios.tcsetattr(fd, termios.TCSANOW, attrs)
            low = self.set_low_latency(fd, r["low_latency"])
            timer = self.latency_timer(r["path"])
            termios.tcflush(fd, termios.TCIOFLUSH)
            times = []
            for _ in range(r.get("count", 50)):
                start = time.monotonic()
                os.write(fd, POLL_FRAME)
                got = b""
                while b"u" not in got:
                    ready, _, _ = select.select([fd], [], [], 2)
                    if not ready:
                        return {"error": "no answer within 2 s", "times_ms": times}
                    got += os.read(fd, 64)
                times.append((time.monotonic() - start) * 1000)
                time.sleep(0.005)
            return {"times_ms": times, "low_latency": low, "latency_timer": timer}
        finally:
            os.close(fd)

    @staticmethod
    def set_low_latency(fd, on):
        buf = bytearray(fcntl.ioctl(fd, termios.TIOCGSERIAL, bytes(SERIAL_STRUCT_SIZE)))
        flags = struct.unpack_from("i", buf, SERIAL_FLAGS_OFFSET)[0]
        flags = flags | ASYNC_LOW_LATENCY if on else flags & ~ASYNC_LOW_LATENCY
        struct.pack_into("i", buf, SERIAL_FLAGS_OFFSET, flags)
        fcntl.ioctl(fd, termios.TIOCSSERIAL, bytes(buf))
        buf = fcntl.ioctl(fd, termios.TIOCGSERIAL, bytes(SERIAL_STRUCT_SIZE))
        return bool(struct.unpack_from("i", buf, SERIAL_FLAGS_OFFSET)[0] & ASYNC_LOW_LATENCY)

    @staticmethod
    def latency_timer(path):
        name = os.path.basename(os.path.realpath(path))
        try:
            with open("/sys/bus/usb-serial/devices/%s/latency_timer" % name) as f:
                return int(f.read())
        except OSError:
            return None

    def op_open_probe(self, r):
        """A second opener of a port: as `user` with the port's group (TIOCEXCL turns it away),
        or as root taking the advisory lock (which the holder's lock turns away)."""
        code = (
            "import errno, fcntl, os, sys\n"
            "try:\n"
            "    fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)\n"
            "except OSError as e:\n"
            "    print('open', errno.errorcode[e.errno]); sys.exit()\n"
            "try:\n"
            "    fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)\n"
            "    print('locked')\n"
            "except OSError as e:\n"
            "    print('flock', errno.errorcode[e.errno])\n")
        kwargs = self.as_user(r.get("user"), r["path"])
        p = subprocess.run([sys.executable, "-c", code, r["path"]], capture_output=True,
                           text=True, timeout=30, **kwargs)
        return {"out": p.stdout.strip(), "err": p.stderr.strip(), "rc": p.returncode}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--kernel")
    parser.add_argument("--scratch")
    parser.add_argument("--tree")
    args = parser.parse_args()
    Agent(find_control_port(), args).run()


if __name__ == "__main__":
    main()
