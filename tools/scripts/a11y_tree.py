#!/usr/bin/python3
"""Prints a running program's accessibility tree as a screen reader walks it over AT-SPI.

Usage: a11y_tree.py APP_NAME [--act] [--setup] [--line-log FILE]
--act      then works the panel through AT-SPI: sets 2CH's level to 200 and toggles 3CH's switch,
           and prints what the parts say afterwards (and, with --line-log, the frames the
           simulated device received meanwhile, from its JSON-lines log).
--setup    then presses SETUP, prints the Setup dialog, presses "Color (Slide L)", prints the
           colour grid that opens and picks a colour in it.
"""
import json
import sys
import time

import pyatspi

# States worth reading out; the rest (visible, showing, ...) hold for nearly everything.
STATES = {
    pyatspi.STATE_CHECKED: "checked",
    pyatspi.STATE_FOCUSED: "focused",
    pyatspi.STATE_SELECTED: "selected",
    pyatspi.STATE_PRESSED: "pressed",
    pyatspi.STATE_ACTIVE: "active",
    pyatspi.STATE_HAS_POPUP: "has popup",
}


def find_app(name, timeout_s=20.0):
    deadline = time.monotonic() + timeout_s
    while time.monotonic() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    sys.exit(f"a11y_tree: no application named {name!r} on the accessibility bus")


def describe(acc):
    line = f"[{acc.getRoleName()}] \"{acc.name}\""
    if acc.description:
        line += f" - {acc.description}"
    state = acc.getState()
    flags = [text for s, text in STATES.items() if state.contains(s)]
    if not state.contains(pyatspi.STATE_ENABLED):
        flags.append("unavailable")
    if flags:
        line += " {" + ", ".join(flags) + "}"
    try:
        value = acc.queryValue()
        line += f" value {value.currentValue:g} of {value.minimumValue:g}..{value.maximumValue:g}"
    except NotImplementedError:
        pass
    try:
        action = acc.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        if names:
            line += " actions: " + ", ".join(names)
    except NotImplementedError:
        pass
    return line


def dump(acc, depth=0):
    print("  " * depth + describe(acc))
    for child in acc:
        if child is not None:
            dump(child, depth + 1)


def find(acc, role, name):
    if acc.getRoleName() == role and acc.name == name:
        return acc
    for child in acc:
        if child is not None:
            found = find(child, role, name)
            if found is not None:
                return found
    return None


def do(acc, name):
    action = acc.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() == name:
            action.doAction(i)
            return
    sys.exit(f"a11y_tree: {acc.name!r} has no {name} action")


def press(acc):
    do(acc, "press")


def received_frames(log_path):
    frames = []
    with open(log_path, encoding="utf-8") as log:
        for line in log:
            entry = json.loads(line)
            if entry.get("dir") == "rx" and entry.get("valid", True):
                frames.append(entry["hex"])
    return frames


def act(app, log_path):
    before = len(received_frames(log_path)) if log_path else 0
    level = wait_for(wait_for(app, "panel", "2CH"), "slider", "level")
    level.queryValue().currentValue = 200
    switch = find(wait_for(app, "panel", "3CH"), "check box", "OFF")
    if switch is None:
        switch = find(wait_for(app, "panel", "3CH"), "check box", "ON")
    do(switch, "toggle")
    time.sleep(0.5)
    print("\n# after setting 2CH's level to 200 and toggling 3CH's switch through AT-SPI")
    for group in ("2CH", "3CH"):
        dump(wait_for(app, "panel", group))
    if log_path:
        print("# frames the simulated device received meanwhile (hex)")
        for frame in received_frames(log_path)[before:]:
            print(frame)


def wait_for(app, role, name, timeout_s=10.0):
    deadline = time.monotonic() + timeout_s
    while time.monotonic() < deadline:
        found = find(app, role, name)
        if found is not None:
            return found
        time.sleep(0.2)
    sys.exit(f"a11y_tree: no {role} {name!r} appeared")


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    app = find_app(sys.argv[1])
    options = sys.argv[2:]
    log_path = options[options.index("--line-log") + 1] if "--line-log" in options else None
    print(f"# {app.name}: the tree as a screen reader walks it")
    dump(app)
    if "--act" in options:
        act(app, log_path)
    if "--setup" not in options:
        return
    press(wait_for(app, "push button", "SETUP"))
    dialog = wait_for(app, "dialog", "Setup")
    print("\n# after pressing SETUP through AT-SPI: the Setup dialog")
    dump(dialog)
    button = wait_for(dialog, "push button", "Color (Slide L)")
    press(button)
    grid = wait_for(button, "list", "Color (Slide L)")
    print("\n# after pressing \"Color (Slide L)\" through AT-SPI: the colour grid")
    dump(grid)
    press(find(grid, "list item", "노란색"))
    time.sleep(0.5)
    print("\n# after pressing the grid's \"노란색\" through AT-SPI")
    print(describe(button))


if __name__ == "__main__":
    main()
