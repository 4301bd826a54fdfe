#!/usr/bin/env python3
"""Key to wire through the whole road: a Right-arrow key pressed on the X server (XTest) to its
frame read by the simulated device, with the real panel, optionally while the device floods noise
at line rate. Median and 99th percentile over N presses at random moments.

    xvfb-run -a -s '-screen 0 800x600x24' python3 bench/key_to_wire_x11.py build [presses] [--flood]

Both clocks are CLOCK_MONOTONIC: the simulator's log stamps and time.monotonic() here.
"""
import ctypes
import json
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

args = [a for a in sys.argv[1:] if not a.startswith("--")]
build = os.path.abspath(args[0] if args else "build")
presses = int(args[1]) if len(args) > 1 else 500
flood = "--flood" in sys.argv

x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XKeysymToKeycode.restype = ctypes.c_ubyte
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XWarpPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                             ctypes.c_int, ctypes.c_uint, ctypes.c_uint, ctypes.c_int, ctypes.c_int]
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
XK_RIGHT = 0xFF53
WARM_UP = 20


def frames(log):
    """(t_us, hex) of every valid frame the device read."""
    out = []
    with open(log) as f:
        for line in f:
            try:
                e = json.loads(line)
            except ValueError:
                continue
            if e.get("dir") == "rx" and e.get("valid"):
                out.append((e["t_us"], e["hex"]))
    return out


def pct(values, q):
    values = sorted(values)
    return values[min(len(values) - 1, int(q * len(values)))]


with tempfile.TemporaryDirectory() as home:
    log = f"{home}/line.jsonl"
    sim_args = [f"{build}/morvix-devsim", "--log", log] + (["--flood", "line"] if flood else [])
    sim = subprocess.Popen(sim_args, stdout=subprocess.PIPE, text=True)
    port = sim.stdout.readline().strip()
    os.makedirs(f"{home}/QV/Morvix")
    with open(f"{home}/QV/Morvix/set.ini", "wb") as f:
        f.write(f"[set]\r\nPort={port}\r\nFile Name=NULL\r\n".encode())
    env = dict(os.environ, XDG_CONFIG_HOME=home, QT_QPA_PLATFORM="xcb",
               DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/morvix-bench-no-bus")
    app = subprocess.Popen([f"{build}/morvix"], env=env, stderr=subprocess.DEVNULL)
    try:
        dpy = x11.XOpenDisplay(None)
        if not dpy:
            raise SystemExit("no X display")
        # Without a window manager the keyboard follows the pointer: put it over the panel.
        time.sleep(3)
        x11.XWarpPointer(dpy, 0, x11.XDefaultRootWindow(dpy), 0, 0, 0, 0, 300, 200)
        x11.XSync(dpy, 0)
        time.sleep(1)
        code = x11.XKeysymToKeycode(dpy, XK_RIGHT)
        before = len(frames(log))
        sent = []
        rnd = random.Random(0x5EED)
        for _ in range(presses + WARM_UP):
            time.sleep(rnd.uniform(0.004, 0.014))
            t = time.monotonic()
            xtst.XTestFakeKeyEvent(dpy, code, 1, 0)
            x11.XFlush(dpy)
            sent.append(int(t * 1e6))
            xtst.XTestFakeKeyEvent(dpy, code, 0, 0)
            x11.XFlush(dpy)
        time.sleep(0.5)
    finally:
        app.terminate()
        app.wait()
        sim.terminate()
        sim.wait()
    # The key's frames set channel 1 (95 02 01 ...); polls are others. The synchronisation may
    # send channel 1 too when a first answer gets through the noise late: each press takes the
    # first such frame after it, and a frame that came before the next press is none of its.
    got = [t for t, hexs in frames(log)[before:] if hexs.startswith("95 02 01")]
    matched, j = [], 0
    for s in sent:
        while j < len(got) and got[j] < s:
            j += 1
        if j == len(got):
            break
        matched.append(got[j])
        j += 1
    if len(matched) != presses + WARM_UP:
        raise SystemExit(f"{presses + WARM_UP} presses but {len(matched)} key frames at the device")
    got = matched
    # The first presses load the keymap and fonts; they say nothing of the steady road.
    lat = [g - s for g, s in zip(got, sent)][WARM_UP:]
    what = "key to wire through X under flood" if flood else "key to wire through X"
    print(f"{what} over {presses} presses: median {statistics.median(lat):.0f} us, "
          f"p99 {pct(lat, 0.99):.0f} us, max {max(lat):.0f} us")
