"""Host side of the bench's fader box (tools/vm/faderbox, morvix-faderbox in the guest): starts it
through the guest agent, plays messages into it, and reads back what it sent and got, with its
times moved onto the host's clock."""

import json
import os
import time


def cc_in(value):
    """The level a 7-bit fader value sets."""
    return (value * 255 + 63) // 127


def cc_out(level):
    """The 7-bit value a level is fed back as."""
    return (level * 127 + 127) // 255


def cc_of(record):
    """(controller, value) of a channel-1 control change record, else None."""
    words = record.get("bytes", "").split()
    if len(words) == 3 and words[0] == "B0":
        return int(words[1], 16), int(words[2], 16)
    return None


class GuestClock:
    """The guest's monotonic clock against the host's: the offset from the exchange with the
    shortest round trip, good to half of it."""

    def __init__(self, guest):
        best = None
        for _ in range(12):
            start = time.monotonic()
            r = guest.call("clock")
            trip = r["host_t"] - start
            if best is None or trip < best[0]:
                best = (trip, r["t"] - (start + r["host_t"]) / 2)
        self.uncertainty_s = best[0] / 2
        self.offset_s = best[1]

    def host(self, guest_t):
        return guest_t - self.offset_s


class FaderBox:
    def __init__(self, bench, name="faderbox", client="Fader Box", port="Faders"):
        self.bench = bench
        self.guest = bench.guest
        self.name = name
        self.client = client
        self.port = port
        self.log_path = "/tmp/%s.jsonl" % name
        self.plays = 0
        self.read_to = 0  # bytes of the log already parsed into self.seen
        self.seen = []

    def start(self):
        # A new box writes its log anew; the old one goes first, or its lines would be read as
        # the new box's before it has truncated the file.
        self.guest.sh("rm -f %s" % self.log_path)
        self.read_to, self.seen, self.plays = 0, [], 0
        program = os.path.join(self.bench.guest_build, "morvix-faderbox")
        self.guest.call("spawn", name=self.name, stdin=True,
                        argv=[program, "--log", self.log_path, "--client", self.client,
                              "--port", self.port])
        deadline = time.monotonic() + 20
        while not any(r.get("event") == "ready" for r in self.records()):
            if time.monotonic() > deadline:
                raise RuntimeError("the fader box did not start: %s"
                                   % self.guest.call("stop", name=self.name).get("log"))
            time.sleep(0.05)

    def stop(self):
        return self.guest.call("stop", name=self.name)

    def send(self, *messages):
        for hex_bytes in messages:
            self.guest.call("feed", name=self.name, line="send " + hex_bytes)

    def play(self, timed):
        """timed: [(milliseconds, hex bytes)]; returns when the box has taken the list."""
        self.plays += 1
        path = "/tmp/%s-play%d.txt" % (self.name, self.plays)
        self.guest.call("write", path=path,
                        text="".join("%.3f %s\n" % (ms, b) for ms, b in timed))
        self.guest.call("feed", name=self.name, line="play " + path)

    def wait_played(self, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if sum(r.get("event") == "played" for r in self.records()) >= self.plays:
                return True
            time.sleep(0.1)
        return False

    def records(self):
        """Every line of the log so far; only what was added since the last call crosses over."""
        text = self.guest.call("read", path=self.log_path, offset=self.read_to).get("text", "")
        whole = text[:text.rfind("\n") + 1]  # a line still being written waits for next time
        self.read_to += len(whole.encode())
        self.seen += [json.loads(line) for line in whole.splitlines() if line.strip()]
        return self.seen

    def messages(self, direction, since_t=0):
        """[(guest time in s, record)] of direction "tx" or "rx" at or after since_t (guest s)."""
        return [(r["t"] / 1e6, r) for r in self.records()
                if r.get("dir") == direction and r["t"] / 1e6 >= since_t]

    def controls(self, since_t=0):
        """The latest value of each channel-1 controller received since since_t."""
        latest = {}
        for _, r in self.messages("rx", since_t):
            cc = cc_of(r)
            if cc:
                latest[cc[0]] = cc[1]
        return latest

    def wait_controls(self, expected, since_t, timeout):
        """Waits until every controller in expected has its value; returns the latest values."""
        deadline = time.monotonic() + timeout
        while True:
            got = self.controls(since_t)
            if all(got.get(k) == v for k, v in expected.items()) or time.monotonic() > deadline:
                return got
            time.sleep(0.1)


def state_feedback(channels):
    """The controller values the whole state [(on, level)] is fed back as."""
    expected = {}
    for i, (on, level) in enumerate(channels):
        expected[i] = cc_out(level)
        expected[32 + i] = 127 if on else 0
    return expected
