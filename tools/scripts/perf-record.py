#!/usr/bin/env python3
"""The performance record: builds the bench programs, runs them and prints the README table.

    tools/scripts/perf-record.py [build-dir]            prints the table (Markdown)
    tools/scripts/perf-record.py [build-dir] --readme   also replaces the table in README.md

Medians and 99th percentiles, each over the samples named in its row; a few minutes in all.
Start-up, memory and idle figures come from the real program on the simulated device, under Xvfb
(idle also without an X server).
"""
import json
import os
import platform
import re
import statistics
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
args = [a for a in sys.argv[1:] if not a.startswith("--")]
BUILD = os.path.abspath(args[0] if args else os.path.join(ROOT, "build"))
TARGETS = ["morvix", "morvix-devsim", "panel_paint_bench", "serial_latency_bench",
           "key_to_wire_bench", "settings_io_bench", "fade_pacing_bench", "script_flood_bench",
           "surface_host_bench", "morvix-ctl"]
ENV = dict(os.environ, QT_QPA_PLATFORM="offscreen")


def run(cmd, env=ENV):
    out = subprocess.run(cmd, env=env, cwd=ROOT, check=True, capture_output=True, text=True)
    return out.stdout + out.stderr


def percentiles(text, label):
    """(median, p99, samples) from a bench line 'label over N ...: median X us, p99 Y us'."""
    m = re.search(re.escape(label) + r" over (\d+)(?: \w+)?: median ([\d.]+) us, p99 ([\d.]+) us", text)
    if not m:
        raise SystemExit(f"no '{label}' line in:\n{text}")
    return float(m.group(2)), float(m.group(3)), int(m.group(1))


def nearest_rank(values, q):
    values = sorted(values)
    return values[min(len(values) - 1, int(q * len(values)))]


def machine():
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as f:
        mem_gib = int(f.readline().split()[1]) / 1024 / 1024
    distro = platform.platform()
    if os.path.exists("/etc/os-release"):
        with open("/etc/os-release") as f:
            distro = dict(l.rstrip().split("=", 1) for l in f if "=" in l).get(
                "PRETTY_NAME", distro).strip('"')
    return (f"{cpu}, {os.cpu_count()} cores, {mem_gib:.1f} GiB, {distro}, "
            f"Linux {platform.release()}")


def idle_figures(qpa=None, runs=3, seconds=10):
    """CPU % and wake-ups per second (all threads) of the idle panel, from bench/idle_cpu.sh:
    under Xvfb, or with qpa="offscreen" without an X server."""
    cpus, wakeups = [], []
    env = dict(os.environ)
    env.pop("MORVIX_IDLE_QPA", None)
    if qpa:
        env["MORVIX_IDLE_QPA"] = qpa
    for _ in range(runs):
        text = run(["bash", "bench/idle_cpu.sh", BUILD, str(seconds)], env=env)
        kv = dict(re.findall(r"^(\w+)=([\d.]+)\s*$", text, re.M))
        if "cpu_percent" not in kv or "wakeups_per_s" not in kv:
            raise SystemExit(f"idle_cpu.sh said:\n{text}")
        cpus.append(float(kv["cpu_percent"]))
        wakeups.append(float(kv["wakeups_per_s"]))
    return cpus, wakeups


def fade_figures(runs=3):
    """Per fade length: lists over `runs` runs of bench/fade_pacing.cpp; and the recall latencies."""
    fades, recalls = {}, []
    for _ in range(runs):
        text = run([f"{BUILD}/bench/fade_pacing_bench", "200"])
        for m in re.finditer(r"over (\d+) s: \d+ frames, most in 100 ms (\d+), largest distance "
                             r"from the line ([\d.]+) levels \(goal (\d+)\), end to last frame "
                             r"(-?[\d.]+) ms, CPU ([\d.]+) %", text):
            f = fades.setdefault(int(m.group(1)), {"most": [], "dist": [], "goal": int(m.group(4)),
                                                  "end": [], "cpu": []})
            f["most"].append(int(m.group(2)))
            f["dist"].append(float(m.group(3)))
            f["end"].append(float(m.group(5)))
            f["cpu"].append(float(m.group(6)))
        recalls.append(percentiles(text, "scene recall to eighth frame"))
    return fades, recalls


def script_flood_figures(runs=3):
    """The JSON of `runs` runs of bench/script_flood.cpp under Xvfb."""
    results = []
    for i in range(runs):
        path = os.path.join(BUILD, f"script_flood_{i}.json")
        run(["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", f"{BUILD}/bench/script_flood_bench",
             "--json", path], env=dict(os.environ))
        with open(path) as f:
            results.append(json.load(f))
    return results


def surface_rows(row):
    """The control surface: bench/surface_host.cpp on this machine (decoded events into the
    surface's engine, no ALSA), and the last VM bench's figures (the guest's real sequencer under
    QEMU's software emulation) from <build>/vm/results.json when there is one."""
    text = run([f"{BUILD}/bench/surface_host_bench"])
    host = "host, decoded events, no ALSA"

    def find(pattern):
        m = re.search(pattern, text)
        if not m:
            raise SystemExit(f"surface_host_bench said:\n{text}")
        return [float(g) for g in m.groups()]

    med, p99, n = find(r"fader to wire .*: median ([\d.]+) ms, p99 ([\d.]+) ms, (\d+) moves")
    row(f"Control surface, fader to wire ({host}; goal p99 25 ms)", med, p99, "ms",
        f"{n:.0f} moves")
    most, vmed, vp99, frames, finals, kmed, kp99, keys, presses, cpu = find(
        r"most frames in 100 ms (\d+), newest value to wire median ([\d.]+) ms p99 ([\d.]+) ms "
        r"\((\d+) frames\), final levels as last sent (\d) of 8, key to wire meanwhile median "
        r"([\d.]+) ms p99 ([\d.]+) ms \((\d+) of (\d+) presses\), panel CPU ([\d.]+) %")
    what = f"Control surface, 8 faders 100/s each for 5 s ({host})"
    row(f"{what}: most frames in 100 ms (goal 25)", most, most, "frames", "1 sweep")
    row(f"{what}: newest value to wire (goal p99 60 ms)", vmed, vp99, "ms", f"{frames:.0f} frames")
    row(f"{what}: final levels at the device as last sent (goal 8)", finals, finals, "channels",
        "1 sweep")
    row(f"{what}: panel's key (Space) to wire meanwhile (goal p99 25 ms)", kmed, kp99, "ms",
        f"{keys:.0f} of {presses:.0f} presses")
    row(f"{what}: panel CPU (goal 5 %)", cpu, cpu, "%", "1 sweep")
    med, p99, n = find(r"feedback, .*: median ([\d.]+) ms, p99 ([\d.]+) ms, (\d+) changes")
    row(f"Control surface, feedback: a script's change to the controller's message ({host})", med,
        p99, "ms", f"{n:.0f} changes")

    path = os.path.join(BUILD, "vm", "results.json")
    if not os.path.exists(path):
        return
    with open(path) as f:
        numbers = json.load(f)["numbers"]
    vm = "VM bench: real ALSA sequencer, QEMU TCG"

    def pair(prefix, label, unit, samples):
        med, p99 = numbers.get(prefix + ", median"), numbers.get(prefix + ", p99")
        if med and p99:
            row(f"Control surface, {label} ({vm})", med["value"], p99["value"], unit, samples)

    pair("surface fader to wire", "fader to wire", "ms", "50 moves")
    sweep = "8 faders 100/s each for 5 s"
    most = numbers.get("surface sweep, most frames at the device in any 100 ms")
    if most:
        row(f"Control surface, {sweep}: most frames in 100 ms ({vm})", most["value"],
            most["value"], "frames", "1 sweep")
    pair("surface sweep, newest value to wire", f"{sweep}: newest value to wire", "ms", "1 sweep")
    cpu = numbers.get("surface sweep, panel CPU (QEMU TCG guest)")
    if cpu:
        row(f"Control surface, {sweep}: panel CPU ({vm})", cpu["value"], cpu["value"], "%",
            "1 sweep")
    pair("surface feedback, button press to its lamp",
         "feedback: the box's button press to its lamp, through the panel", "ms", "20 presses")
    pair("surface feedback, morvix-ctl level to the controller's message",
         "feedback: `morvix-ctl level` (process start, D-Bus) to the controller's message", "ms",
         "10 changes")


def startup_figures(runs=10):
    """First painted frame (ms) and resident memory (MiB) after 3 s idle, over `runs` starts."""
    text = run(["xvfb-run", "-a", "-s", "-screen 0 800x600x24", sys.executable,
                "bench/startup.py", BUILD, str(runs), "3"], env=dict(os.environ))
    starts = [float(x) for x in re.findall(r"first paint ([\d.]+) ms, RSS", text)]
    rss = [float(x) for x in re.findall(r"RSS ([\d.]+) MiB", text)]
    if len(starts) != runs:
        raise SystemExit(f"startup.py said:\n{text}")
    return starts, rss


def main():
    subprocess.run(["cmake", "--build", BUILD, "--target", *TARGETS], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    rows = []

    def row(what, median, p99, unit, samples):
        def fmt(v):
            return f"{v:.0f}" if v >= 100 else f"{v:.1f}"
        rows.append(f"| {what} | {fmt(median)} {unit} | {fmt(p99)} {unit} | {samples} |")

    paint = run([f"{BUILD}/bench/panel_paint_bench", "--samples=2000"])
    for label, what in (("paint straightforward", "Panel paint, straightforward"),
                        ("paint cached", "Panel paint, cached")):
        med, p99, n = percentiles(paint, label)
        row(what, med, p99, "µs", f"{n} paints, same run")

    serial = run([f"{BUILD}/bench/serial_latency_bench", "--benchmark_filter=BM_SendCommandPoll"])
    med, p99, n = percentiles(serial, "SendCommand(CMD_POLL) to master")
    row("Frame to wire (SendCommand to pty master)", med, p99, "µs", f"{n} frames")

    keys = run([f"{BUILD}/bench/key_to_wire_bench", "1000"])
    med, p99, n = percentiles(keys, "key to wire")
    row("Key to wire (key event to the simulated device)", med, p99, "µs", f"{n} key presses")
    flood = run([f"{BUILD}/bench/key_to_wire_bench", "2000", "--flood"])
    med, p99, n = percentiles(flood, "key to wire under flood")
    row("Key to wire under a noise flood at line rate (key posted to the running panel)", med, p99,
        "µs", f"{n} key presses")
    for flag, what in (([], "Key to wire through X (XTest key to the simulated device)"),
                       (["--flood"], "Key to wire through X under a noise flood at line rate")):
        xkeys = run(["xvfb-run", "-a", "-s", "-screen 0 800x600x24", sys.executable,
                     "bench/key_to_wire_x11.py", BUILD, "500", *flag], env=dict(os.environ))
        med, p99, n = percentiles(xkeys, "key to wire through X" + (" under flood" if flag else ""))
        row(what, med, p99, "µs", f"{n} key presses")

    settings = run([f"{BUILD}/bench/settings_io_bench", "2000", "300"])
    for label, what in (("settings load", "Settings load (`set.ini`)"),
                        ("settings save", "Settings save (`set.ini`, synced)")):
        med, p99, n = percentiles(settings, label)
        row(what, med, p99, "µs", f"{n} calls")

    fades, recalls = fade_figures()
    for seconds, f in sorted(fades.items()):
        n = f"{len(f['most'])} fades (p99 = worst)"
        what = f"Fade, 8 channels 0 to 255 over {seconds} s"
        row(f"{what}: most frames in 100 ms (goal 25)", statistics.median(f["most"]),
            max(f["most"]), "frames", n)
        row(f"{what}: largest distance from its line (goal {f['goal']})",
            statistics.median(f["dist"]), max(f["dist"]), "levels", n)
        row(f"{what}: fade end to last frame (goal 20 ms)", statistics.median(f["end"]),
            max(f["end"]), "ms", n)
        row(f"{what}: CPU (goal 2 %)", statistics.median(f["cpu"]), max(f["cpu"]), "%", n)
    med = statistics.median(r[0] for r in recalls)
    p99 = max(r[1] for r in recalls)
    row("Scene recall, fade 0: F-key to eighth frame at the device", med / 1000, p99 / 1000, "ms",
        f"{sum(r[2] for r in recalls)} recalls")

    floods = script_flood_figures()
    n = f"{len(floods)} floods of 5 s (p99 = worst)"
    what = "Eight scripts, SetLevel 100/s each on its own channel"
    most = [r["flood"]["most_frames_in_100ms"] for r in floods]
    row(f"{what}: most frames in 100 ms (goal 25)", statistics.median(most), max(most), "frames",
        n)
    for key, label, goal in (("newest_value_to_wire", "newest value to wire", 60),
                             ("key_to_wire", "panel's key through X to wire meanwhile", 25)):
        spreads = [r["flood"][key] for r in floods]
        row(f"{what}: {label} (goal p99 {goal} ms)",
            statistics.median(s["p50_ms"] for s in spreads), max(s["p99_ms"] for s in spreads),
            "ms", f"{sum(s['count'] for s in spreads)} {'values' if 'value' in key else 'presses'}"
            f", {len(floods)} floods (p99 = worst)")
    cpu = [r["flood"]["panel_cpu_share"] * 100 for r in floods]
    row(f"{what}: panel CPU (goal 10 %)", statistics.median(cpu), max(cpu), "%", n)
    finals = [sum(c["match"] for c in r["flood"]["final_levels"]) for r in floods]
    row(f"{what}: final levels at the device as last sent (goal 8)", statistics.median(finals),
        min(finals), "channels", f"{len(floods)} floods (p99 = fewest)")
    lines = [r["setup_fade"]["watch_lines"] for r in floods]
    frames = [r["setup_fade"]["frames_on_wire"] for r in floods]
    row("Fade of one channel over 1.5 s with Setup open: `morvix-ctl watch` lines (goal: one a "
        "frame)", statistics.median(lines), min(lines), "lines",
        f"{len(floods)} fades of {min(frames)}..{max(frames)} frames (p99 = fewest)")

    surface_rows(row)

    starts, rss = startup_figures()
    row("Start to first painted frame", statistics.median(starts), nearest_rank(starts, 0.99),
        "ms", f"{len(starts)} starts (p99 = slowest)")
    row("Resident memory after 3 s idle", statistics.median(rss), nearest_rank(rss, 0.99), "MiB",
        f"{len(rss)} starts (p99 = largest)")

    for qpa, where in ((None, "under X (Xvfb)"), ("offscreen", "without X (offscreen)")):
        cpus, wakeups = idle_figures(qpa)
        row(f"Idle CPU {where}, share of one core", statistics.median(cpus), max(cpus), "%",
            f"{len(cpus)} runs of 10 s (p99 = highest)")
        row(f"Idle wake-ups {where}, all threads", statistics.median(wakeups), max(wakeups), "/s",
            f"{len(wakeups)} runs of 10 s (p99 = highest)")

    # The browser remote: a private bus for morvix-ctl, Xvfb for the panel, headless chromium.
    remote = run(["dbus-run-session", "--", "xvfb-run", "-a", "-s", "-screen 0 800x600x24",
                  "/usr/bin/python3", "bench/remote_bench.py", BUILD, "--json"],
                 env=dict(os.environ))
    for r in json.loads(remote.strip().splitlines()[-1]):
        row(r["name"], r["median"], r["p99"], r["unit"], r["samples"])

    load = os.getloadavg()[0]
    table = "\n".join([f"Machine: {machine()}; load average {load:.1f} at the end of the run.", "",
                       "| Measure | Median | 99th percentile | Samples |",
                       "|---|---|---|---|", *rows])
    print(table)
    if "--readme" in sys.argv:
        path = os.path.join(ROOT, "README.md")
        with open(path) as f:
            text = f.read()
        begin, end = "<!-- perf-record begin -->", "<!-- perf-record end -->"
        if begin not in text or end not in text:
            raise SystemExit("README.md has no perf-record markers")
        head, rest = text.split(begin, 1)
        text = head + begin + "\n" + table + "\n" + end + rest.split(end, 1)[1]
        with open(path, "w") as f:
            f.write(text)


main()
