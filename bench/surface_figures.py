"""The control surface's figures on real ALSA: run by the VM bench (tools/vm/surface_stage.py) on
its panel, connected to the bench's fader box on the guest's sequencer, with the simulated device
on the host. Times are the host's monotonic clock (the device's log) against the guest's (the
fader box's log), moved across by the offset GuestClock measured. Under QEMU's software emulation
the guest runs several times slower than on hardware: read them as upper bounds."""

import statistics

from faderbox import cc_in, cc_out

SWEEP_RATE_HZ = 100
SWEEP_SECONDS = 5
CLK_TCK = 100  # Debian's kernel counts process times in hundredths of a second


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(len(ordered) * p / 100))]


def most_in_window(times_s, window_s):
    most, first = 0, 0
    for last, t in enumerate(times_s):
        while t - times_s[first] >= window_s:
            first += 1
        most = max(most, last - first + 1)
    return most


def fader_to_wire(stage, box, clock, count=50, gap_ms=120):
    """One fader moved at a time: from the message leaving the box to its frame at the device."""
    values = [20 + (k * 37) % 100 for k in range(count)]
    since = stage.guest.call("clock")["t"]
    box.play([(k * gap_ms, "B0 00 %02X" % v) for k, v in enumerate(values)])
    box.wait_played(count * gap_ms / 1000 + 20)
    stage.sim.wait(lambda: False, 1.0)
    sent = [(clock.host(t), cc_in(int(r["bytes"].split()[2], 16)))
            for t, r in box.messages("tx", since)]
    frames = [(r["t_us"] / 1e6, r["level"]) for r in stage.sim.sets(int(clock.host(since) * 1e6))
              if r["channel"] == 1]
    times = []
    for t, level in sent:
        hit = next((ft for ft, fl in frames if fl == level and ft >= t - clock.uncertainty_s), None)
        if hit is not None:
            times.append((hit - t) * 1000)
    stage.number("surface fader to wire, messages that reached the device", len(times),
                 "of %d" % len(sent))
    if times:
        stage.number("surface fader to wire, median", statistics.median(times), "ms")
        stage.number("surface fader to wire, p99", percentile(times, 99), "ms")


def sweep_list():
    """Eight faders, each a triangle at SWEEP_RATE_HZ messages a second, staggered in time."""
    timed = []
    period_ms = 1000 / SWEEP_RATE_HZ
    for k in range(SWEEP_RATE_HZ * SWEEP_SECONDS):
        for fader in range(8):
            phase = (k + 31 * fader) % 254
            value = phase if phase <= 127 else 254 - phase
            timed.append((k * period_ms + fader * period_ms / 8, "B0 %02X %02X" % (fader, value)))
    return timed


def cpu_ticks(stage, pid):
    r = stage.guest.sh("cat /proc/%d/stat" % pid)
    fields = r["out"].rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12]), r["t1"]


def sweep(stage, box, clock):
    timed = sweep_list()
    pid = stage.bench.panel_pid
    # Every channel on, so every level has a frame of its own at the device.
    for channel, (on, _) in enumerate(stage.bench.panel_channels(), 1):
        if not on:
            stage.bench.ctl("set %d on" % channel)
    since = stage.guest.call("clock")["t"]
    since_us = int(clock.host(since) * 1e6)
    ticks0, t0 = cpu_ticks(stage, pid)
    box.play(timed)
    played = box.wait_played(SWEEP_SECONDS + 30)
    ticks1, t1 = cpu_ticks(stage, pid)
    stage.number("surface sweep, panel CPU (QEMU TCG guest)",
                 100.0 * (ticks1 - ticks0) / CLK_TCK / (t1 - t0), "% of a core")

    sent = {}
    for t, r in box.messages("tx", since):
        _, cc, value = r["bytes"].split()
        sent.setdefault(int(cc, 16) + 1, []).append((clock.host(t), cc_in(int(value, 16))))
    # The last value each fader got out: one the sequencer refused never reached the panel. An
    # emulated panel on a busy host works through a backlog after the sweep; it has 15 s.
    want = {channel: values[-1][1] for channel, values in sent.items()}
    settled = stage.sim.wait(lambda: {ch: lv for ch, (_, lv) in
                                      stage.device_state(since_us).items()} == want, 15)
    if settled:
        last_sent = max(values[-1][0] for values in sent.values())
        last_frame = max(r["t_us"] for r in stage.sim.sets(since_us)) / 1e6
        stage.number("surface sweep, last message to the device's final levels",
                     (last_frame - last_sent) * 1000, "ms")
    stage.sim.wait(lambda: False, 0.5)
    stage.number("surface sweep, messages the box sent", sum(map(len, sent.values())),
                 "of %d" % len(timed))
    # A panel that reads too slowly fills the sequencer's queue: the box's writes then fail.
    stage.number("surface sweep, messages the sequencer refused (queue full)",
                 len(box.messages("lost", since)), "messages")
    frames = stage.sim.frames(since_us)
    stage.number("surface sweep, most frames at the device in any 100 ms",
                 most_in_window([r["t_us"] / 1e6 for r in frames], 0.1), "frames")
    ages, unknown = [], 0
    for r in stage.sim.sets(since_us):
        t = r["t_us"] / 1e6
        matches = [st for st, level in sent.get(r["channel"], [])
                   if level == r["level"] and st <= t + clock.uncertainty_s]
        if matches:
            ages.append((t - matches[-1]) * 1000)
        else:
            unknown += 1
    if ages:
        stage.number("surface sweep, newest value to wire, median", statistics.median(ages), "ms")
        stage.number("surface sweep, newest value to wire, p99", percentile(ages, 99), "ms")
    final = stage.device_state(since_us)
    got = {ch: final.get(ch, (None, None))[1] for ch in want}
    stage.check("surface sweep: 8 faders x %d messages/s for %d s, the device ends on the last "
                "fader values" % (SWEEP_RATE_HZ, SWEEP_SECONDS),
                played and len(want) == 8 and got == want and not unknown,
                "device %s, want %s, %d frames with a value never sent" % (got, want, unknown))


def feedback(stage, box, count=20):
    """A panel change to the controller's message, on the guest's clock. From a button press on
    the box to its lamp: the whole way through the panel and back, an upper bound of the feedback
    alone. From morvix-ctl's start: with a process start and a D-Bus call before the change."""
    round_trip, from_ctl = [], []
    for k in range(count):
        since = stage.guest.call("clock")["t"]
        box.send("B0 26 7F", "B0 26 00")  # channel 7's button, press and release
        for _ in range(100):
            tx = [t for t, m in box.messages("tx", since) if m["bytes"] == "B0 26 7F"]
            rx = [t for t, m in box.messages("rx", since) if m["bytes"].startswith("B0 26 ")]
            if tx and rx:
                round_trip.append((rx[0] - tx[0]) * 1000)
                break
            stage.sim.wait(lambda: False, 0.05)
    ctl = "%s/morvix-ctl" % stage.bench.guest_build
    # Fewer: each starts a process, slow under emulation.
    for k in range(count // 2):
        level = 30 + (k * 53) % 200
        r = stage.guest.sh("%s level 5 %d" % (ctl, level))
        want = "B0 04 %02X" % cc_out(level)
        for _ in range(100):
            got = [t for t, m in box.messages("rx", r["t0"]) if m["bytes"] == want]
            if got:
                from_ctl.append((got[0] - r["t0"]) * 1000)
                break
            stage.sim.wait(lambda: False, 0.05)
    for label, times, tries in (("button press to its lamp", round_trip, count),
                                ("morvix-ctl level to the controller's message", from_ctl,
                                 count // 2)):
        stage.number("surface feedback, %s: samples" % label, len(times), "of %d" % tries)
        if times:
            stage.number("surface feedback, %s, median" % label, statistics.median(times), "ms")
            stage.number("surface feedback, %s, p99" % label, percentile(times, 99), "ms")


def run(stage, box, clock):
    fader_to_wire(stage, box, clock)
    sweep(stage, box, clock)
    feedback(stage, box)
