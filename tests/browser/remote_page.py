#!/usr/bin/python3
"""The browser remote in a real browser: headless chromium at 360 x 640 against the real panel on
the simulated device.

    dbus-run-session -- xvfb-run -a /usr/bin/python3 tests/browser/remote_page.py BUILD_DIR

Checks what the operator relies on: a fader moved and a switch toggled on the page reach the
device; a change made with morvix-ctl shows on the page; a dropped remote greys the page out and it
comes back by itself with fresh levels; a page without the token, with a wrong one or with a
replaced one says "ask for a new link" and sends nothing. Keeps BUILD_DIR/remote-page-360x640.png.
"""
import os
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from remote_rig import PanelRig, browser, frames_sent, sockets_opened, wait_for  # noqa: E402
from selenium.common.exceptions import WebDriverException  # noqa: E402
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402

build = sys.argv[1] if len(sys.argv) > 1 else "build"
failures = []


def check(name, condition, detail=""):
    print(f"{'ok  ' if condition else 'FAIL'} {name}{': ' + str(detail) if detail else ''}")
    if not condition:
        failures.append(name)


def eventually(condition, timeout=3.0):
    try:
        return bool(wait_for("", condition, timeout))
    except AssertionError:
        return False


def fader(driver, ch):
    return driver.find_elements(By.CSS_SELECTOR, ".fader")[ch - 1]


def switch(driver, ch):
    return driver.find_elements(By.CSS_SELECTOR, ".switch")[ch - 1]


def shown_level(driver, ch):
    return int(fader(driver, ch).get_attribute("aria-valuenow"))


def scene(driver, slot):
    return driver.find_elements(By.CSS_SELECTOR, ".scene")[slot - 1]


def scene_text(driver, slot):
    return scene(driver, slot).find_element(By.CSS_SELECTOR, ".time").text


def status(driver):
    return driver.find_element(By.ID, "conn").text


def live(driver):
    return "offline" not in driver.find_element(By.TAG_NAME, "body").get_attribute("class")


def run(rig, driver):
    link = rig.first_link
    base = link.split("#")[0]
    driver.get(link)
    wait_for("the page's snapshot", lambda: live(driver))
    check("the page is live after its snapshot", status(driver) == "connected", status(driver))

    size = driver.execute_script(
        "const e = document.scrollingElement; return [e.scrollWidth, e.scrollHeight,"
        " innerWidth, innerHeight];")
    check("everything fits a 360 x 640 screen without scrolling",
          size[0] <= size[2] == 360 and size[1] <= size[3] == 640, size)

    # The keyboard on a fader: End is the top.
    mark = rig.log.mark()
    fader(driver, 3).send_keys(Keys.END)
    frame = rig.log.wait_frame(mark, "channel 3 at 255",
                               lambda f: f["channel"] == 3 and f["level"] == 255)
    check("End on fader 3 sends level 255 to the device", frame is not None)

    # A finger's drag: the device ends where the page says the fader is.
    mark = rig.log.mark()
    knob = fader(driver, 1).find_element(By.CSS_SELECTOR, ".knob")
    ActionChains(driver).click_and_hold(knob).move_by_offset(0, -40).move_by_offset(0, -40) \
        .release().perform()
    moved = shown_level(driver, 1)
    check("dragging fader 1 up moves it", moved > 0, moved)
    rig.log.wait_frame(mark, f"channel 1 at {moved}",
                       lambda f: f["channel"] == 1 and f["level"] == moved)
    sent = [f["level"] for f in rig.log.since(mark) if f["channel"] == 1]
    check("the drag's frames rise to the shown level", sent == sorted(sent) and sent[-1] == moved,
          sent)

    # A burst of key presses is coalesced: each fader sends at most every 25 ms, well inside the
    # server's 200 messages a second, and the last message is where the fader stopped.
    fader(driver, 4).send_keys(Keys.HOME)
    time.sleep(0.2)
    frames_sent(driver)
    fader(driver, 4).send_keys(Keys.ARROW_UP * 120)
    wait_for("the burst's end", lambda: shown_level(driver, 4) == 120)
    time.sleep(0.3)
    sent = [(t, m) for t, m in frames_sent(driver, stamped=True) if m.get("op") == "level"]
    span = sent[-1][0] - sent[0][0] if sent else 0
    check("a burst of 120 key presses is coalesced, ending where the fader stopped",
          sent and sent[-1][1]["level"] == 120 and len(sent) <= span / 0.025 + 2 < 120,
          f"{len(sent)} messages over {span * 1000:.0f} ms")

    # A held fader does not move under the finger; it takes the latest value when it lifts.
    knob = fader(driver, 8).find_element(By.CSS_SELECTOR, ".knob")
    before = shown_level(driver, 8)
    ActionChains(driver).click_and_hold(knob).perform()
    rig.ctl("level", "8", "99")
    time.sleep(0.5)
    held = shown_level(driver, 8)
    ActionChains(driver).release().perform()
    check("a held fader stays under the finger, then takes the latest value",
          held == before != 99 and shown_level(driver, 8) == 99, (held, shown_level(driver, 8)))

    mark = rig.log.mark()
    switch(driver, 5).click()
    rig.log.wait_frame(mark, "channel 5 switched on",
                       lambda f: f["channel"] == 5 and f["switch"] == 1)
    check("the switch of channel 5 turns it on at the device", True)

    # Changes made elsewhere show on the page.
    rig.ctl("level", "6", "200")
    rig.ctl("set", "7", "on", "77")
    wait_for("morvix-ctl's levels on the page",
             lambda: shown_level(driver, 6) == 200 and shown_level(driver, 7) == 77)
    check("morvix-ctl's changes show on the page", switch(driver, 7).is_selected())

    # Scenes: one stored elsewhere shows with its fade time; a long press stores after asking.
    rig.ctl("scene", "store", "2")
    wait_for("scene 2 stored on the page", lambda: scene_text(driver, 2) != "empty")
    check("a scene stored with morvix-ctl shows its fade time", scene_text(driver, 2).endswith(" s"),
          scene_text(driver, 2))
    ActionChains(driver).click_and_hold(scene(driver, 3)).pause(0.9).release().perform()
    confirm = driver.find_element(By.ID, "confirm")
    check("a long press asks before storing", confirm.is_displayed())
    driver.find_element(By.ID, "confirm-ok").click()
    wait_for("scene 3 stored", lambda: scene_text(driver, 3) != "empty")
    driver.save_screenshot(os.path.join(build, "remote-page-360x640.png"))

    rig.ctl("level", "6", "10")
    wait_for("channel 6 at 10 on the page", lambda: shown_level(driver, 6) == 10)
    mark = rig.log.mark()
    scene(driver, 2).click()
    rig.log.wait_frame(mark, "scene 2's channel 6", lambda f: f["channel"] == 6 and f["level"] == 200)
    check("a tap on scene 2 recalls it, and the page shows the recalled levels",
          eventually(lambda: shown_level(driver, 6) == 200), shown_level(driver, 6))

    # A fade started elsewhere shows its progress; Stop on the page ends it where it stands.
    start = shown_level(driver, 1)
    rig.ctl("fade", "1", "255", "20")
    fade = driver.find_element(By.ID, "fade")
    wait_for("the fade on the page", lambda: fade.is_displayed() and "fade" in fade.text)
    driver.save_screenshot(os.path.join(build, "remote-page-fade-360x640.png"))
    driver.find_element(By.ID, "fade-stop").click()
    wait_for("the fade's end on the page", lambda: not fade.is_displayed())
    stopped = shown_level(driver, 1)
    time.sleep(0.5)
    check("Stop ends the fade where it stands", start <= stopped < 255 and
          shown_level(driver, 1) == stopped, stopped)

    mark = rig.log.mark()
    driver.find_element(By.ID, "all-off").click()
    check("All off asks first", confirm.is_displayed())
    driver.find_element(By.ID, "confirm-ok").click()
    wait_for("every switch off", lambda: not any(switch(driver, ch).is_selected()
                                                 for ch in range(1, 9)))
    for ch in (5, 7):
        rig.log.wait_frame(mark, f"channel {ch} off", lambda f: f["channel"] == ch and
                           f["switch"] == 0)
    check("All off switches the channels off at the device and on the page", True)

    # The remote goes away: the page greys out, says so, and comes back with fresh levels.
    rig.ctl("remote", "off")
    wait_for("the page to notice", lambda: not live(driver))
    check("a dropped page says reconnecting", "reconnecting" in status(driver), status(driver))
    rig.ctl("level", "2", "123")
    rig.ctl("remote", "on")
    wait_for("the page back", lambda: live(driver), timeout=15)
    check("the page reconnects and takes the fresh levels", shown_level(driver, 2) == 123,
          shown_level(driver, 2))

    # A panel that stops answering (a network that dropped without a word): the page's pings go
    # unanswered, it greys out by itself and comes back when the panel does.
    os.kill(rig.pid(), signal.SIGSTOP)
    try:
        silent = eventually(lambda: not live(driver), timeout=20)
        check("an unanswered page greys out and says reconnecting",
              silent and "reconnecting" in status(driver), status(driver))
    finally:
        os.kill(rig.pid(), signal.SIGCONT)
    wait_for("the page back after the silence", lambda: live(driver), timeout=20)

    # A page opened without the token, or with a wrong one, changes nothing.
    for name, url, sockets in (("no token", base, 0), ("a wrong token", base + "#not-the-token", 1)):
        driver.get("about:blank")
        sockets_opened(driver)
        mark = rig.log.mark()
        driver.get(url)
        wait_for(f"the refusal of {name}", lambda: status(driver) == "ask for a new link")
        time.sleep(1.5)  # long enough for a page that would retry to have done so
        opened = sockets_opened(driver)
        check(f"a page with {name} says ask for a new link and stops",
              len(opened) == sockets and status(driver) == "ask for a new link", opened)
        check(f"a page with {name} offers no switch", not switch(driver, 4).is_enabled())
        fader(driver, 4).send_keys(Keys.END)
        time.sleep(0.3)
        check(f"a page with {name} moves nothing", rig.log.since(mark) == [],
              rig.log.since(mark))

    # A new link closes the pages opened with the old one.
    driver.get(link)
    wait_for("the page's snapshot", lambda: live(driver))
    rig.ctl("remote", "new-link")
    wait_for("the old link refused", lambda: status(driver) == "ask for a new link")
    check("a new link closes the old page", not live(driver))
    rig.ctl("level", "3", "55")
    driver.get(rig.link())
    wait_for("the new link's snapshot", lambda: live(driver))
    check("the new link works", shown_level(driver, 3) == 55, shown_level(driver, 3))

    # A browser asks for /favicon.ico by itself; the server has none to give.
    errors = [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"
              and "WebSocket" not in e["message"] and "favicon.ico" not in e["message"]]
    check("no script errors or refused resources in the console", not errors, errors)


def main():
    rig = PanelRig(build)
    driver = None
    try:
        driver = browser()
        run(rig, driver)
    except (AssertionError, WebDriverException) as error:
        failures.append(str(error))
        print(f"FAIL {error}")
        if driver:
            driver.save_screenshot(os.path.join(build, "remote-page-failure.png"))
        print("the panel's log:\n" + rig.panel_log())
    finally:
        if driver:
            driver.quit()
        rig.close()
    print("browser remote: " + ("all passed" if not failures else f"{len(failures)} failed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
