"""The real panel on the simulated device with the remote on, and a headless browser beside it.

Shared by the browser test and the remote bench. Needs a session bus and an X display (run it
under dbus-run-session and xvfb-run); drives Debian's chromium through its own chromedriver.
"""
import base64
import json
import os
import re
import secrets
import shutil
import socket
import subprocess
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

PHONE = {"width": 360, "height": 640}


def wait_for(what, check, timeout=5.0, interval=0.01):
    deadline = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class LineLog:
    """The simulated device's JSON-lines log: the frames the panel sent, read as they come."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.frames = []

    def read(self):
        with open(self.path) as f:
            f.seek(self.offset)
            chunk = f.read()
        # A line still being written waits for the next read.
        complete = chunk[: chunk.rfind("\n") + 1]
        self.offset += len(complete.encode())
        for line in complete.splitlines():
            record = json.loads(line)
            if record.get("dir") == "rx" and record.get("valid"):
                if record.get("cmd") == "set":
                    self.frames.append(record)
                elif record.get("cmd") == "alloff":
                    # As eight frames switching off: what the device does with it.
                    self.frames += [dict(record, cmd="set", channel=ch, switch=0, level=-1)
                                    for ch in range(1, 9)]
        return self.frames

    def mark(self):
        self.read()
        return len(self.frames)

    def since(self, mark):
        return self.read()[mark:]

    def wait_frame(self, mark, what, match, timeout=5.0):
        return wait_for(what, lambda: next((f for f in self.since(mark) if match(f)), None),
                        timeout)


class PanelRig:
    def __init__(self, build, remote=True):
        self.build = os.path.abspath(build)
        self.home = tempfile.mkdtemp(prefix="morvix-remote-")
        self.log = LineLog(os.path.join(self.home, "line.jsonl"))
        self.sim = subprocess.Popen([f"{self.build}/morvix-devsim", "--log", self.log.path],
                                    stdout=subprocess.PIPE, text=True)
        port = self.sim.stdout.readline().strip()
        config = os.path.join(self.home, "QV", "Morvix")
        os.makedirs(config)
        with open(os.path.join(config, "set.ini"), "wb") as f:
            f.write(f"[set]\r\nPort={port}\r\nFile Name=NULL\r\n".encode())
        # The remote on from the start, on a port free now, so runs side by side do not meet.
        token = base64.urlsafe_b64encode(secrets.token_bytes(16)).rstrip(b"=").decode()
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            web_port = probe.getsockname()[1]
        with open(os.path.join(config, "remote.ini"), "w") as f:
            f.write(f"[remote]\nEnabled={str(remote).lower()}\nListen=local\n"
                    f"Port={web_port}\nToken={token}\n")
        self.first_link = f"http://127.0.0.1:{web_port}/#{token}"
        self.env = dict(os.environ, XDG_CONFIG_HOME=self.home)
        # A file, not a pipe nobody reads: the panel must never block on its own log.
        self.stderr = open(os.path.join(self.home, "panel.log"), "w")
        self.panel = subprocess.Popen([f"{self.build}/morvix"], env=self.env, stderr=self.stderr)
        wait_for("the panel on the bus", lambda: self.ctl("get", check=False).returncode == 0,
                 timeout=15, interval=0.1)
        # The start-up synchronisation of all eight channels has reached the device.
        wait_for("the start-up frames", lambda: len(self.log.read()) >= 8, timeout=10)

    def ctl(self, *args, check=True):
        result = subprocess.run([f"{self.build}/morvix-ctl", *args], env=self.env,
                                capture_output=True, text=True, timeout=10)
        if check and result.returncode != 0:
            raise AssertionError(f"morvix-ctl {' '.join(args)}: {result.stderr.strip()}")
        return result

    def link(self):
        """The link as `morvix-ctl remote` prints it."""
        out = self.ctl("remote").stdout
        found = re.search(r"http://\S+/#\S+", out)
        if not found:
            raise AssertionError(f"no link in `morvix-ctl remote`:\n{out}")
        return found.group(0)

    def pid(self):
        return self.panel.pid

    def close(self):
        for proc in (self.panel, self.sim):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        self.stderr.close()
        shutil.rmtree(self.home, ignore_errors=True)

    def panel_log(self):
        with open(os.path.join(self.home, "panel.log")) as f:
            return f.read()


def browser(width=PHONE["width"], height=PHONE["height"]):
    """Headless chromium with a phone's screen, touch, and no back/forward cache (a page left
    behind must not keep its socket open)."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--disable-features=BackForwardCache", "--no-first-run",
                "--disable-background-networking", "--disable-component-update",
                f"--user-data-dir={tempfile.mkdtemp(prefix='morvix-chromium-')}"):
        options.add_argument(arg)
    options.add_experimental_option("mobileEmulation", {
        "deviceMetrics": {"width": width, "height": height, "pixelRatio": 2, "touch": True}})
    options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def _network(driver, method):
    # The performance log is read once: each call takes what came since the last.
    found = []
    for entry in driver.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message.get("method") == method:
            found.append(message["params"])
    return found


def sockets_opened(driver):
    """The WebSockets the page opened since the browser's log was last read."""
    return [p["url"] for p in _network(driver, "Network.webSocketCreated")]


def frames_sent(driver, stamped=False):
    """The page's WebSocket messages since the browser's log was last read, parsed; with
    `stamped`, each with the browser's time stamp in seconds."""
    sent = [(p["timestamp"], json.loads(p["response"]["payloadData"]))
            for p in _network(driver, "Network.webSocketFrameSent")]
    return sent if stamped else [m for _, m in sent]
