#!/usr/bin/python3
"""The browser remote against the real panel on the simulated device.

    dbus-run-session -- xvfb-run -a /usr/bin/python3 bench/remote_bench.py BUILD_DIR [--json]

- A fader moved on the page (the keydown event's own time stamp in the browser) to its frame at
  the simulated device, median and p99 (goal p99 < 30 ms).
- `morvix-ctl level` (from just before the process starts) to the page showing the level (the
  first animation frame after the page changed it), median and p99 (goal p99 < 50 ms).
- The panel's CPU share while all eight channels fade back and forth, with 16 clients connected
  and with none (goal < 5 points more), and its resident memory per client (goal < 200 KiB).
- Idle wake-ups of all the panel's threads with the remote on and nobody connected, and off.

The browser stamps on the wall clock, the device on the monotonic one: both are read here at
once to put them on one line.
"""
import json
import os
import statistics
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "tests", "browser"))
sys.path.insert(0, here)
from remote_clients import Crowd  # noqa: E402
from remote_rig import PanelRig, browser, wait_for  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402

build = next((a for a in sys.argv[1:] if not a.startswith("--")), "build")
SAMPLES = int(os.environ.get("REMOTE_BENCH_SAMPLES", "300"))
WALL_MINUS_MONO = time.time() - time.monotonic()


def p99(values):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(0.99 * (len(ordered) - 1))))]


def row(name, values, unit, samples):
    return {"name": name, "median": statistics.median(values), "p99": p99(values), "unit": unit,
            "samples": samples}


def input_to_frame(rig, driver):
    fader = driver.find_elements(By.CSS_SELECTOR, ".fader")[1]
    driver.execute_script("""
        window.benchKeys = [];
        arguments[0].addEventListener('keydown',
            e => window.benchKeys.push(performance.timeOrigin + e.timeStamp), true);""", fader)
    latencies = []
    for i in range(SAMPLES):
        mark = rig.log.mark()
        up = i % 2 == 0
        level = int(fader.get_attribute("aria-valuenow")) + (1 if up else -1)
        fader.send_keys(Keys.ARROW_UP if up else Keys.ARROW_DOWN)
        frame = rig.log.wait_frame(mark, f"channel 2 at {level}",
                                   lambda f: f["channel"] == 2 and f["level"] == level, 2)
        pressed = driver.execute_script("return window.benchKeys[window.benchKeys.length - 1]")
        latencies.append((frame["t_us"] / 1e6 + WALL_MINUS_MONO) * 1000 - pressed)
        time.sleep(0.03)  # apart from the fader's own pacing
    return row("Remote: page's fader key to frame at the device (goal p99 30 ms)", latencies,
               "ms", f"{SAMPLES} key presses")


def ctl_to_page(rig, driver):
    fader = driver.find_elements(By.CSS_SELECTOR, ".fader")[5]
    driver.execute_script("""
        window.benchShown = {};
        new MutationObserver(() => {
            const v = arguments[0].getAttribute('aria-valuenow');
            requestAnimationFrame(() => {
                if (!(v in window.benchShown))
                    window.benchShown[v] = performance.timeOrigin + performance.now();
            });
        }).observe(arguments[0], {attributes: true, attributeFilter: ['aria-valuenow']});""",
                          fader)
    latencies = []
    for i in range(SAMPLES):
        level = 10 + i % 200 if i % 2 == 0 else 240 - i % 200
        driver.execute_script("delete window.benchShown[arguments[0]]", str(level))
        started = time.time() * 1000
        rig.ctl("level", "6", str(level))
        shown = wait_for(f"level {level} on the page", lambda: driver.execute_script(
            "return window.benchShown[arguments[0]]", str(level)), 2, 0.002)
        latencies.append(shown - started)
    return row("Remote: `morvix-ctl level` to the page showing it (goal p99 50 ms)", latencies,
               "ms", f"{SAMPLES} changes")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))


def wakeups(pid):
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/status") as f:
            for line in f:
                if "ctxt_switches" in line:
                    total += int(line.split()[1])
    return total


def write_preset(path, level, power):
    lines = ["[CH SET]"] + [f"COLOR{i}=-16777216" for i in (1, 2, 3)]
    for ch in range(8):
        lines += [f"CH POWER-{ch}={power}", f"CH VALUE-{ch}={level}"]
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode())


def fading_cpu(rig, seconds=10.0):
    """CPU share of one core while all eight channels fade 0 to 255 and back, 2 s each way."""
    up, down = os.path.join(rig.home, "up.qvd"), os.path.join(rig.home, "down.qvd")
    write_preset(up, 255, 1)
    write_preset(down, 0, 1)
    rig.ctl("fade", down, "0")
    time.sleep(0.5)
    start_cpu, start = cpu_seconds(rig.pid()), time.monotonic()
    toward_up = True
    while time.monotonic() - start < seconds:
        rig.ctl("fade", up if toward_up else down, "2", "--wait")
        toward_up = not toward_up
    return 100 * (cpu_seconds(rig.pid()) - start_cpu) / (time.monotonic() - start)


def load(rig, link, runs=3):
    alone = [fading_cpu(rig) for _ in range(runs)]
    rss_before = rss_kib(rig.pid())
    crowd = Crowd(link, 16)
    try:
        wait_for("16 snapshots", crowd.ready, 10)
        time.sleep(1)
        rss_after = rss_kib(rig.pid())
        crowded = [fading_cpu(rig) for _ in range(runs)]
        messages = crowd.messages()
        assert crowd.ready(), "a client was dropped during the fades"
    finally:
        crowd.stop()
    more = [c - a for c, a in zip(sorted(crowded), sorted(alone))]
    print(f"  {messages} messages to 16 clients; CPU alone {alone}, with 16 {crowded}")
    return [row("Remote: panel CPU while eight channels fade, no client", alone, "%",
                f"{runs} runs of 10 s (p99 = highest)"),
            row("Remote: panel CPU while eight channels fade, 16 clients", crowded, "%",
                f"{runs} runs of 10 s (p99 = highest)"),
            row("Remote: CPU added by 16 clients (goal 5 points)", more, "points",
                f"{runs} runs, sorted pairs"),
            row("Remote: resident memory per client (goal 200 KiB)",
                [(rss_after - rss_before) / 16], "KiB", "16 clients, once")]


def idle(seconds=10.0, runs=3):
    """A panel of its own for each: started with the remote off, and on with nobody connected."""
    result = []
    for on in (False, True):
        rig = PanelRig(build, remote=on)
        try:
            time.sleep(2)
            rates = []
            for _ in range(runs):
                before, start = wakeups(rig.pid()), time.monotonic()
                time.sleep(seconds)
                rates.append((wakeups(rig.pid()) - before) / (time.monotonic() - start))
        finally:
            rig.close()
        result.append(row(f"Remote: idle wake-ups, remote {'on, nobody connected' if on else 'off'}",
                          rates, "/s", f"{runs} runs of {seconds:.0f} s (p99 = highest)"))
    return result


def show(rows):
    for r in rows:
        print(f"{r['name']}: median {r['median']:.2f} {r['unit']}, p99 {r['p99']:.2f} "
              f"{r['unit']} ({r['samples']})", flush=True)
    return rows


def main():
    rows = []
    rig = PanelRig(build)
    try:
        driver = browser()
        try:
            driver.get(rig.first_link)
            wait_for("the page's snapshot", lambda: driver.execute_script(
                "return !document.body.classList.contains('offline')"))
            rows += show([input_to_frame(rig, driver), ctl_to_page(rig, driver)])
        finally:
            driver.quit()
        rows += show(load(rig, rig.first_link))
    finally:
        rig.close()
    rows += show(idle())
    if "--json" in sys.argv:
        print(json.dumps(rows))


if __name__ == "__main__":
    main()
