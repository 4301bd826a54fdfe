#!/usr/bin/env python3
"""Fails when a file includes from a layer above its own.

Layers are the folders under src/, bottom first; tests/<layer>/ may use what src/<layer>/ may.
Includes are named from src/ ("device/CCom.h"); a bare name ("PtyPair.h") is the file's own
folder or a test fixture and is not checked.
"""
import re
import subprocess
import sys

BELOW = {
    "model": [],
    "device": ["model"],
    "settings": ["model"],
    "session": ["model", "device", "settings"],
    "panel": ["model", "device", "settings", "session"],
    "ui": ["model", "device", "settings", "session", "panel"],
    "scripting": ["model", "device", "settings", "session"],
    "surface": ["model", "device", "settings", "session"],
    "remote": ["model", "device", "settings", "session"],
    "app": ["model", "device", "settings", "session", "panel", "ui", "scripting", "surface",
            "remote"],
    "ctl": ["model", "scripting"],
}
# In scripting only the service reaches the session; every other file there is the client side
# that morvix-ctl links, and stays on the bus types and the argument rules.
SCRIPTING_SERVICE = ("src/scripting/PanelBusService.",)
CLIENT_SIDE = {"model", "scripting"}
# Files that the client side and ctl may not include even from their own layer.
SERVICE_HEADERS = {"scripting/PanelBusService.h"}
# Fixtures shared by every layer's tests stop below the widgets.
TEST_ONLY = {"support": "panel", "devsim": None}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def client_side(path):
    return path.startswith(("src/scripting/", "src/ctl/")) and not path.startswith(
        SCRIPTING_SERVICE)


def allowed_for(path):
    parts = path.split("/")
    if client_side(path):
        return set(CLIENT_SIDE)
    if parts[0] == "src" and parts[1] in BELOW:
        layer = parts[1]
    elif parts[0] == "tests" and len(parts) > 2 and parts[1] in BELOW:
        layer = parts[1]
    elif parts[0] == "tests" and len(parts) > 2 and parts[1] in TEST_ONLY:
        top = TEST_ONLY[parts[1]]
        return set(BELOW[top] + [top]) if top else set()
    else:
        return None
    return set(BELOW[layer] + [layer])


def violations(files):
    """files: (path, lines) pairs; yields one text per include that points up."""
    for path, lines in files:
        allowed = allowed_for(path)
        if allowed is None:
            continue
        for number, line in enumerate(lines, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            name = m.group(1)
            if ".." in name.split("/"):
                yield f"{path}:{number}: includes by a relative path: {name}"
                continue
            top = name.split("/")[0] if "/" in name else None
            if top in BELOW and top not in allowed:
                yield f"{path}:{number}: {name} is above this file's layer"
            elif name in SERVICE_HEADERS and client_side(path):
                yield f"{path}:{number}: {name} is the service; the client side may not use it"


def self_test():
    """The check must see what it is there for; a check that passes everything proves nothing."""
    cases = [
        ("src/model/A.h", '#include "device/CCom.h"', True),
        ("src/device/A.cpp", '#include "settings/ProfileIni.h"', True),
        ("src/settings/A.cpp", '#include "panel/PanelHost.h"', True),
        ("src/ui/view/A.cpp", '#include "scripting/BusNames.h"', True),
        ("src/scripting/A.cpp", '  #  include "ui/view/CMorvixView.h"', True),
        ("src/panel/A.cpp", '#include "app/CMainFrame.h"', True),
        ("src/ctl/main.cpp", '#include "ui/view/CMorvixView.h"', True),
        ("src/ctl/main.cpp", '#include "session/DeviceSession.h"', True),
        ("src/ctl/main.cpp", '#include "scripting/PanelBusService.h"', True),
        ("src/scripting/MorvixClient.cpp", '#include "session/DeviceSession.h"', True),
        ("src/scripting/CtlOutput.h", '#include "scripting/PanelBusService.h"', True),
        ("src/scripting/PanelBusService.cpp", '#include "session/DeviceSession.h"', False),
        ("src/scripting/MorvixClient.cpp", '#include "model/Channels.h"', False),
        ("src/ctl/main.cpp", '#include "scripting/MorvixClient.h"', False),
        ("tests/panel/tst_a.cpp", '#include "ui/view/CMorvixView.h"', True),
        ("tests/support/A.h", '#include "ui/view/CMorvixView.h"', True),
        ("src/panel/A.cpp", '#include "../ui/X.h"', True),
        ("src/panel/A.cpp", '#include "device/CCom.h"', False),
        ("src/ui/a11y/A.cpp", '#include "ui/view/CMorvixView.h"', False),
        ("src/app/A.cpp", '#include "scripting/BusNames.h"', False),
        ("tests/device/tst_a.cpp", '#include "PtyPair.h"', False),
        ("bench/a.cpp", '#include "app/CMainFrame.h"', False),
    ]
    failed = 0
    for path, line, expected in cases:
        if bool(list(violations([(path, [line])]))) != expected:
            print(f"self-test: {path}: {line!r} should {'' if expected else 'not '}be refused")
            failed += 1
    return failed


def main():
    if self_test():
        return 2
    names = subprocess.run(["git", "ls-files", "src/*.h", "src/*.cpp", "tests/*.h", "tests/*.cpp"],
                           capture_output=True, text=True, check=True).stdout.split()
    files = []
    for path in names:
        with open(path, encoding="utf-8") as f:
            files.append((path, f.readlines()))
    bad = list(violations(files))
    for line in bad:
        print(line, flush=True)
    if bad:
        print("Includes point up the layers; move the shared part down (see README, Architecture).",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
