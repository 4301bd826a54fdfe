#!/usr/bin/env python3
"""Start-up time and idle memory of the panel, median of N runs.

Starts morvix-devsim and build/morvix under a private XDG_CONFIG_HOME (needs a display, e.g.
xvfb-run -a python3 bench/startup.py build), measures from the moment before exec to the first
painted frame (the program's MORVIX_STARTUP_TRACE stamp, same monotonic clock), then the resident
memory after 10 s of idle running.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build"
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
idle_s = float(sys.argv[3]) if len(sys.argv) > 3 else 10.0


def rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


starts, rsses = [], []
for run in range(runs):
    with tempfile.TemporaryDirectory() as home:
        sim = subprocess.Popen([f"{build}/morvix-devsim"], stdout=subprocess.PIPE, text=True)
        port = sim.stdout.readline().strip()
        os.makedirs(f"{home}/QV/Morvix")
        with open(f"{home}/QV/Morvix/set.ini", "wb") as f:
            f.write(f"[set]\r\nPort={port}\r\nFile Name=NULL\r\n".encode())
        env = dict(os.environ, XDG_CONFIG_HOME=home, MORVIX_STARTUP_TRACE="1")
        t0 = time.monotonic()
        app = subprocess.Popen([f"{build}/morvix"], env=env, stderr=subprocess.PIPE, text=True)
        for line in app.stderr:
            if line.startswith("first-paint "):
                starts.append(float(line.split()[1]) - t0)
                break
        time.sleep(idle_s)
        rsses.append(rss_kb(app.pid))
        app.kill()
        app.wait()
        sim.terminate()
        sim.wait()
    print(f"run {run + 1}: first paint {starts[-1] * 1000:.1f} ms, RSS {rsses[-1] / 1024:.1f} MiB")

print(f"median first paint {statistics.median(starts) * 1000:.1f} ms, "
      f"median RSS after {idle_s:.0f} s {statistics.median(rsses) / 1024:.1f} MiB")
