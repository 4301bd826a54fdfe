"""The control surface on the guest's real ALSA sequencer: the bench's fader box and a snd-virmidi
port played into the panel, frames checked at the simulated device on the 8250 line, feedback
read back at the controller. Run by tools/vm/bench.py in its one boot; the figures come from
bench/surface_figures.py on the same panel."""

import os
import re
import sys
import time

from faderbox import FaderBox, GuestClock, cc_in, cc_out, state_feedback

DEVICE_PORT = "/dev/ttyS1"
START = [(1, 10), (0, 20), (1, 30), (1, 40), (1, 50), (0, 60), (1, 70), (1, 255)]
SURFACE_INI = "[surface]\r\nPort=%s\r\nProfile=generic\r\nPickUp=0\r\n"
# Nothing of this is in the generic profile: SysEx, clock, active sensing, notes, pitch bend,
# unmapped controllers on channel 1, the mapped ones on channels 2 and 16.
JUNK = ["F0 7E 7F 06 01 F7", "F8", "FE", "FA", "90 3C 7F", "80 3C 00", "E0 00 40", "B0 08 7F",
        "B0 28 7F", "B0 7F 00", "B1 00 7F", "B1 20 7F", "BF 03 40", "BF 23 7F", "C0 05",
        "F0 43 10 4C 00 00 7E 00 F7"]


# Line-buffered, so the log can be read while amidi runs.
AMIDI_DUMP = ["stdbuf", "-oL", "amidi"]


def data_bytes(status):
    """How many data bytes follow a status byte; None for SysEx (until F7)."""
    if status < 0xF0:
        return 1 if 0xC0 <= status < 0xE0 else 2
    return {0xF0: None, 0xF1: 1, 0xF2: 2, 0xF3: 1}.get(status, 0)


def dumped_messages(text):
    """The messages in amidi -d's hex dump, running status undone: a virtual raw MIDI port
    writes a run of control changes with one status byte."""
    stream = []
    for line in text.splitlines():
        digits = line.replace(" ", "")
        if re.fullmatch(r"(?:[0-9A-Fa-f]{2})+", digits):  # not amidi's own words
            stream += [int(digits[i:i + 2], 16) for i in range(0, len(digits), 2)]
    messages, status, current = [], None, None
    for byte in stream:
        if byte >= 0xF8:
            messages.append([byte])  # real time, even inside another message
        elif byte & 0x80:
            if current and current[0] == 0xF0 and byte == 0xF7:
                current.append(byte)
                current = None
                continue
            status = byte if byte < 0xF0 else None
            current = [byte]
            messages.append(current)
        elif current is not None and (data_bytes(current[0]) is None or
                                      len(current) <= data_bytes(current[0])):
            current.append(byte)
        elif status is not None:
            current = [status, byte]
            messages.append(current)
    return messages


class SurfaceStage:
    def __init__(self, bench):
        self.bench = bench
        self.guest = bench.guest
        self.sim = bench.uart
        self.check = bench.check
        self.number = bench.number

    def run(self):
        if not self.alsa_checks():
            return
        box = FaderBox(self.bench)
        box.start()
        self.listed_by_aconnect()
        self.loop_through_virmidi(box)
        try:
            self.through_the_panel(box)
        finally:
            box.stop()
            self.bench.stop_panel()
        self.virmidi_with_amidi()

    # -- the guest's ALSA ---------------------------------------------------------------------

    def alsa_checks(self):
        r = self.guest.sh("ls /dev/snd; cat /proc/asound/cards", check=False)
        nodes = r["out"].split()
        raw = [n for n in nodes if re.fullmatch(r"midiC\d+D\d+", n)]
        return self.check("ALSA: snd-seq and snd-virmidi loaded, /dev/snd/seq and the virtual "
                          "raw MIDI devices there", "seq" in nodes and len(raw) >= 1,
                          "raw MIDI %s" % " ".join(raw) if "seq" in nodes else r["out"] + r["err"])

    def listed_by_aconnect(self):
        out = self.guest.sh("aconnect -l")["out"]
        # aconnect pads a port's name to 16 characters.
        box = re.search(r"client \d+: 'Fader Box' [^\n]*\n\s+\d+ 'Faders *'", out)
        self.check("ALSA: the bench's fader box is a sequencer client with its port (aconnect -l)",
                   box, box.group(0).replace("\n", " ") if box else out.replace("\n", " | "))

    def virmidi(self):
        """(client name, port name, raw MIDI device, "client:port") of the first virtual raw MIDI
        port."""
        out = self.guest.sh("aconnect -l")["out"]
        m = re.search(r"client (\d+): '([^']*)' \[type=kernel,card=(\d+)\]\n\s+(\d+) '([^']*?)\s*'",
                      out)
        if not m:
            raise RuntimeError("no virtual raw MIDI client in aconnect -l: %s" % out)
        return m.group(2), m.group(5), "hw:%s,0" % m.group(3), "%s:%s" % (m.group(1), m.group(4))

    def amidi_dump(self, name, hw):
        """amidi -d on hw, once it holds the raw MIDI device: virmidi drops what comes before."""
        pid = self.guest.call("spawn", name=name, argv=AMIDI_DUMP + ["-p", hw, "-d"])["pid"]
        node = "/dev/snd/midiC%sD%s" % tuple(hw[3:].split(","))
        deadline = time.monotonic() + 10
        while node not in self.guest.call("fds", pid=pid)["links"]:
            if time.monotonic() > deadline:
                raise RuntimeError("amidi did not open %s" % node)
            time.sleep(0.05)

    def loop_through_virmidi(self, box):
        """The guest's chain on its own: the fader box subscribed to a virmidi port, read by
        amidi -d on its raw MIDI device."""
        _, _, hw, address = self.virmidi()
        self.guest.sh("aconnect 'Fader Box:Faders' %s" % address)
        self.amidi_dump("amidi-loop", hw)
        box.send("B0 05 2A", "90 40 11")
        time.sleep(0.5)
        log = self.guest.call("stop", name="amidi-loop").get("log", "")
        self.guest.sh("aconnect -d 'Fader Box:Faders' %s" % address)
        got = dumped_messages(log)
        self.check("ALSA: the fader box through snd-virmidi reaches amidi -d on %s" % hw,
                   got[:2] == [[0xB0, 0x05, 0x2A], [0x90, 0x40, 0x11]], log.replace("\n", " | "))

    # -- the panel ----------------------------------------------------------------------------

    def through_the_panel(self, box):
        b = self.bench
        clock = GuestClock(self.guest)
        self.number("guest clock against the host's, uncertainty", clock.uncertainty_s * 1000,
                    "ms")
        started = self.guest.call("clock")["t"]
        b.start_panel(DEVICE_PORT, START, surface=SURFACE_INI % "Fader Box:Faders")
        want = state_feedback(START)
        got = box.wait_controls(want, started, 20)
        self.check("surface: the whole state fed back at connect (levels as CC 0-7, lamps as "
                   "CC 32-39)", all(got.get(k) == v for k, v in want.items()),
                   "missing or wrong %s" % {k: got.get(k) for k, v in want.items()
                                            if got.get(k) != v})
        listed = self.guest.sh("%s/morvix-ctl surface" % b.guest_build, check=False)
        listed = listed["out"] + listed["err"]
        self.check("surface: morvix-ctl surface lists Fader Box:Faders",
                   "Fader Box:Faders" in listed, listed.replace("\n", " | ")[:300])
        self.faders(box, clock)
        self.buttons(box)
        self.panel_change(box)
        self.junk(box)
        import surface_figures
        surface_figures.run(self, box, clock)
        self.hotplug(box)

    def device_state(self, since_us):
        """The last (switch, level) the device got per channel since since_us."""
        state = {}
        for r in self.sim.sets(since_us):
            state[r["channel"]] = (r["switch"], r["level"])
        return state

    def faders(self, box, clock):
        b = self.bench
        values = [0, 17, 64, 100, 127, 1, 126, 90]
        before = b.panel_channels()
        since = self.guest.call("clock")["t"]
        since_us = int(clock.host(since) * 1e6)
        box.send(*["B0 %02X %02X" % (i, v) for i, v in enumerate(values)])
        want = [(on, cc_in(v)) for (on, _), v in zip(before, values)]
        self.sim.wait(lambda: all(self.device_state(since_us).get(i + 1) == want[i]
                                  for i in range(8) if want[i][0]), 10)
        device = self.device_state(since_us)
        wrong = {i + 1: device.get(i + 1) for i in range(8)
                 if want[i][0] and device.get(i + 1) != want[i]}
        self.check("surface: faders CC 0-7 reach the device as levels (v*255+63)/127", not wrong,
                   "channel: got %s, want %s" % (wrong, [want[c - 1] for c in wrong]) if wrong
                   else "")
        panel = b.panel_channels()
        self.check("surface: the faders set all eight levels on the panel, switches untouched",
                   panel == want, "panel %s, want %s" % (panel, want))
        time.sleep(1.0)
        echoes = [r["bytes"] for _, r in box.messages("rx", since)
                  if r["bytes"] in ("B0 %02X %02X" % (i, v) for i, v in enumerate(values))]
        self.check("surface: no echo of a fader's own value", not echoes,
                   "echoed %s" % echoes if echoes else "")

    def buttons(self, box):
        b = self.bench
        before = b.panel_channels()
        since = self.guest.call("clock")["t"]
        box.send("B0 21 7F")  # press, channel 2
        time.sleep(0.3)
        box.send("B0 21 00")  # release
        box.send("B0 24 7F", "B0 24 00")  # press and release, channel 5
        time.sleep(1.0)
        after = b.panel_channels()
        flipped = [(1 - on, level) if i in (1, 4) else (on, level)
                   for i, (on, level) in enumerate(before)]
        self.check("surface: a button press toggles the switch, its release does nothing",
                   after == flipped, "panel %s, want %s" % (after, flipped))
        lamps = box.wait_controls({33: 127 if flipped[1][0] else 0,
                                   36: 127 if flipped[4][0] else 0}, since, 5)
        self.check("surface: the button's lamp shows the switch its own press set",
                   lamps.get(33) == (127 if flipped[1][0] else 0) and
                   lamps.get(36) == (127 if flipped[4][0] else 0),
                   "CC 33 %s, CC 36 %s" % (lamps.get(33), lamps.get(36)))

    def panel_change(self, box):
        since = self.guest.call("clock")["t"]
        self.bench.ctl("set 3 on 128")
        self.bench.ctl("set 4 off")
        # Channel 3 is on already: its level moves; channel 4's switch goes off.
        got = box.wait_controls({2: cc_out(128), 35: 0}, since, 5)
        self.check("surface: a change made by morvix-ctl arrives at the controller as CC",
                   got.get(2) == cc_out(128) and got.get(35) == 0,
                   "CC 2 %s (want %d), CC 35 %s (want 0)" % (got.get(2), cc_out(128), got.get(35)))

    def junk(self, box):
        b = self.bench
        before = b.panel_channels()
        since_us = int(time.monotonic() * 1e6)
        box.send(*JUNK)
        time.sleep(1.5)
        frames = self.sim.sets(since_us)
        after = b.panel_channels()
        alive = self.guest.call("alive", name="panel")["alive"]
        self.check("surface: junk (SysEx, clock, active sensing, notes, pitch bend, other "
                   "channels, unmapped controllers) changes nothing",
                   alive and after == before and not frames,
                   "alive %s, %d frames, panel %s -> %s" % (alive, len(frames), before, after))

    def hotplug(self, box):
        b = self.bench
        box.stop()
        time.sleep(1.0)
        b.ctl("set 6 on 77")
        state = b.panel_channels()
        since = self.guest.call("clock")["t"]
        box.start()
        want = state_feedback(state)
        got = box.wait_controls(want, since, 15)
        self.check("surface hot-plug: the fader box back under its name gets the whole state",
                   all(got.get(k) == v for k, v in want.items()),
                   "missing or wrong %s" % {k: got.get(k) for k, v in want.items()
                                            if got.get(k) != v})
        since_us = int(time.monotonic() * 1e6)
        box.send("B0 06 33")
        sent = self.sim.wait(lambda: [r for r in self.sim.sets(since_us)
                                      if (r["channel"], r["level"]) == (7, cc_in(0x33))], 5)
        self.check("surface hot-plug: a fader after the return reaches the device", bool(sent))

    def virmidi_with_amidi(self):
        """A second panel on a snd-virmidi port, played and read with amidi on its raw MIDI
        device."""
        b = self.bench
        client, port, hw, _ = self.virmidi()
        self.amidi_dump("amidi-read", hw)
        b.start_panel(DEVICE_PORT, START, surface=SURFACE_INI % ("%s:%s" % (client, port)))
        # The panel takes its surface a little after morvix-ctl reaches it: the fader is played
        # until one arrives, and the state it was sent at connect is read once amidi has ended
        # (it writes its dump out then).
        since_us = int(time.monotonic() * 1e6)
        sent = False
        for _ in range(20):
            self.guest.sh("amidi -p %s -S 'B0 03 64'" % hw)
            sent = self.sim.wait(lambda: [r for r in self.sim.sets(since_us)
                                          if (r["channel"], r["level"]) == (4, cc_in(0x64))], 1)
            if sent:
                break
        self.check("surface through snd-virmidi: amidi -S moves a fader to the device",
                   bool(sent))
        time.sleep(1.0)
        routes = self.guest.sh("aconnect -l; cat /proc/asound/seq/clients", check=False)["out"]
        got = {}
        for m in dumped_messages(self.guest.call("stop", name="amidi-read").get("log", "")):
            if len(m) == 3 and m[0] == 0xB0:
                got[m[1]] = m[2]
        want = state_feedback(START)
        self.check("surface through snd-virmidi: amidi -d reads the whole state at connect, and "
                   "no echo of the fader", got == want,
                   "got %s, want %s; %s" % (got, want, routes.replace("\n", " | "))
                   if got != want else "")
        b.stop_panel()


def run(bench):
    sys.path.insert(0, os.path.join(bench.args.tree, "bench"))
    SurfaceStage(bench).run()
