#!/usr/bin/env python3
"""The interactive app as a person meets it: the real program in a real X server (Xvfb, started
here on a free display), driven with xdotool, checked by the state it writes and by screenshots
kept in the artefacts folder. Every wait is on that state, not on time. Two launches: one on
the given scenario (Mission Control, an icon's close button, Quit from the status menu), one
without permissions (the screen-recording prompt and the privacy pane).

  interactive_e2e.py --app build/apps/talvora --scenario tests/e2e/one-display.json --artefacts DIR
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time


class Failure(Exception):
    pass


def start_xvfb():
    read_end, write_end = os.pipe()
    # Without -noreset the server resets when its last client leaves, and a relaunch that
    # connects during the reset is refused.
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1600x1000x24",
                             "-nolisten", "tcp", "-noreset"],
                            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    deadline = time.time() + 20
    while not number.endswith(b"\n"):
        if time.time() > deadline:
            xvfb.kill()
            raise Failure("Xvfb did not report a display")
        chunk = os.read(read_end, 16)
        if not chunk:
            xvfb.kill()
            raise Failure("Xvfb exited before reporting a display")
        number += chunk
    os.close(read_end)
    return xvfb, ":" + number.decode().strip()


class Session:
    shots = 0

    def __init__(self, args, display, runtime, scenario, name, home_of=None):
        """A launch of talvora; its virtual Mac's home is fresh unless it is `home_of` an
        earlier session's."""
        self.args = args
        self.display = display
        self.env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime)
        self.state_file = os.path.join(args.artefacts, name + "-state.json")
        self.name = name
        if os.path.exists(self.state_file):
            os.remove(self.state_file)
        self.log = open(os.path.join(args.artefacts, name + ".log"), "w")
        out = os.path.join(args.artefacts, (home_of or name) + "-out")
        if home_of is None:
            shutil.rmtree(out, ignore_errors=True)
        self.app = subprocess.Popen([args.app, "--scenario", scenario, "--out", out,
                                     "--state", self.state_file, "--scale", "1"],
                                    env=self.env, stdout=self.log, stderr=subprocess.STDOUT)
        self.window = self.wait_for_window()

    def xdotool(self, *words):
        result = subprocess.run(["xdotool", *words], env=self.env, capture_output=True, text=True, timeout=20)
        if result.returncode != 0:
            raise Failure("xdotool %s: %s" % (" ".join(words), result.stderr.strip()))
        return result.stdout.strip()

    def wait_for_window(self):
        deadline = time.time() + 30
        while time.time() < deadline:
            if self.app.poll() is not None:
                raise Failure("talvora exited early with status %d" % self.app.returncode)
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Talvora"], env=self.env, capture_output=True, text=True)
            if found.returncode == 0 and found.stdout.strip():
                return found.stdout.split()[0]
            time.sleep(0.2)
        raise Failure("no Talvora window appeared")

    def state(self):
        try:
            with open(self.state_file) as f:
                return json.load(f)
        except (OSError, ValueError):
            return None

    def wait_for(self, what, predicate, seconds=15):
        deadline = time.time() + seconds
        state = None
        while time.time() < deadline:
            if self.app.poll() is not None:
                raise Failure("talvora exited (status %d) while waiting for %s" % (self.app.returncode, what))
            state = self.state()
            if state is not None and predicate(state):
                return state
            time.sleep(0.1)
        self.screenshot("timeout")
        raise Failure("timed out waiting for %s; last state: %s" % (what, json.dumps(state)[:2000]))

    def move_to(self, point, on_screen=False):
        """To a point of the app's window, or of the screen for the system's own windows."""
        where = [] if on_screen else ["--window", self.window]
        self.xdotool("mousemove", *where, str(point[0]), str(point[1]))

    def click_at(self, point, on_screen=False):
        self.move_to(point, on_screen)
        self.xdotool("click", "1")

    def key(self, name):
        # Keys go to the focused window; events sent to a window directly are marked as
        # synthetic, and toolkits may ignore them.
        self.xdotool("windowfocus", "--sync", self.window)
        self.xdotool("key", name)

    def screenshot(self, name):
        Session.shots += 1
        path = os.path.join(self.args.artefacts, "%02d-%s-%s.png" % (Session.shots, self.name, name))
        subprocess.run(["import", "-display", self.display, "-window", "root", path], env=self.env, timeout=30, check=False)
        return path

    def close(self):
        if self.app.poll() is None:
            self.app.kill()
            self.app.wait()
        self.log.close()


def icon_of(state, window):
    return next((i for i in state["icons"] if i["window"] == window), None)


def open_mission_control(session, target):
    """F3, until the engine shows the target's icon: it trusts an opening only once it has
    learned the closed desktop, which takes longer on a busy machine."""
    for attempt in range(4):
        session.key("F3")
        try:
            return session.wait_for("Mission Control with the icon of %d" % target,
                                    lambda s: s["missionControl"] == "open" and icon_of(s, target) is not None, seconds=8)
        except Failure:
            if attempt == 3:
                raise
        session.key("F3")
        session.wait_for("Mission Control closed", lambda s: s["missionControl"] == "closed")


def hover_icon(session, target):
    """Moves onto the icon until the engine reports the hover: the icon may still be settling
    on its thumbnail when its place is first read."""
    deadline = time.time() + 30
    while True:
        state = session.state()
        icon = icon_of(state, target) if state else None
        if icon:
            session.move_to(icon["icon"])
        try:
            return session.wait_for("the hover on the icon of %d" % target, lambda s: s.get("hoveredWindow") == target, seconds=2)
        except Failure:
            if time.time() > deadline:
                raise


def quit_from_status_menu(session):
    state = session.wait_for("Mission Control closed", lambda s: s["missionControl"] == "closed")
    session.click_at(state["statusItem"])
    state = session.wait_for("the status menu", lambda s: len(s["menu"]) == 3)
    titles = [m["title"] for m in state["menu"]]
    if titles != ["Preferences\u2026", "Check for Updates\u2026", "Quit Talvora"]:
        raise Failure("menu titles: %s" % titles)
    session.move_to(state["menu"][2]["at"])
    session.screenshot("status-menu")
    session.click_at(state["menu"][2]["at"])
    try:
        status = session.app.wait(timeout=15)
    except subprocess.TimeoutExpired:
        raise Failure("talvora did not exit after Quit Talvora")
    if status != 0:
        raise Failure("talvora exited with status %d" % status)
    final = session.state()
    if not final or not final["terminated"]:
        raise Failure("the final state does not say the app terminated: %s" % json.dumps(final)[:2000])
    return final


def run(args, session):
    target = 1004
    session.wait_for("the status item", lambda s: s.get("statusItem") is not None)
    session.screenshot("desktop")
    open_mission_control(session, target)
    hover_icon(session, target)
    state = session.wait_for("the buttons of the hovered icon", lambda s: icon_of(s, target) is not None)
    session.move_to(icon_of(state, target)["close"])
    session.screenshot("mission-control-hover")
    session.click_at(icon_of(state, target)["close"])
    session.wait_for("the window closed",
                     lambda s: all(w["number"] != target for w in s["windows"]))
    session.screenshot("after-close")
    session.key("F3")
    final = quit_from_status_menu(session)
    if any(w["number"] == target for w in final["windows"]):
        raise Failure("the closed window is back in the final state")


def run_privacy(args, session):
    """Launched without screen recording or Accessibility: the system's prompt, once a launch,
    offers System Settings, whose privacy pane grants both. Accessibility holds at once; screen
    recording only after a relaunch."""
    state = session.wait_for("the screen-recording prompt", lambda s: s["privacy"]["promptOpenButton"] is not None)
    if state["privacy"]["screenCapturePrompts"] != 1:
        raise Failure("prompts: %s" % state["privacy"])
    session.screenshot("screen-recording-prompt")
    session.click_at(state["privacy"]["promptOpenButton"], on_screen=True)
    state = session.wait_for("the privacy pane", lambda s: s["privacy"]["paneShown"] and s["privacy"]["screenRecordingToggle"] is not None)
    if state["privacy"]["screenRecording"] or state["privacy"]["accessibility"]:
        raise Failure("the pane opened with a permission already on: %s" % state["privacy"])
    session.click_at(state["privacy"]["screenRecordingToggle"], on_screen=True)
    state = session.wait_for("screen recording on, for the next launch",
                             lambda s: s["privacy"]["screenRecording"] and s["privacy"]["screenRecordingNeedsRelaunch"])
    session.click_at(state["privacy"]["accessibilityToggle"], on_screen=True)
    state = session.wait_for("Accessibility on", lambda s: s["privacy"]["accessibility"])
    session.screenshot("privacy-pane")
    # Revoking Accessibility takes effect at once too.
    session.click_at(state["privacy"]["accessibilityToggle"], on_screen=True)
    session.wait_for("Accessibility off again", lambda s: not s["privacy"]["accessibility"])
    final = quit_from_status_menu(session)
    if final["privacy"]["screenCapturePrompts"] != 1:
        raise Failure("the prompt came again in the same launch: %s" % final["privacy"])


def run_privacy_relaunched(args, session):
    """Opened again on the same Mac: the pane's choices were kept, so screen recording now
    holds without a prompt, and Accessibility stays revoked."""
    state = session.wait_for("the app running", lambda s: s["privacy"] is not None)
    privacy = state["privacy"]
    if not privacy["screenRecording"] or privacy["screenRecordingNeedsRelaunch"] or privacy["screenCapturePrompts"] != 0:
        raise Failure("screen recording was not granted at the second launch: %s" % privacy)
    if privacy["accessibility"]:
        raise Failure("Accessibility came back after it was revoked: %s" % privacy)
    quit_from_status_menu(session)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True)
    parser.add_argument("--scenario", required=True)
    parser.add_argument("--artefacts", required=True)
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "import"):
        if not shutil.which(tool):
            print("missing %s: scripts/install-deps installs it" % tool, file=sys.stderr)
            return 1
    os.makedirs(args.artefacts, exist_ok=True)
    for old in os.listdir(args.artefacts):
        if old.endswith(".png"):
            os.remove(os.path.join(args.artefacts, old))
    runtime = tempfile.mkdtemp(prefix="talvora-e2e-")
    xvfb, display = start_xvfb()
    privacy = os.path.join(os.path.dirname(os.path.abspath(__file__)), "no-permissions.json")
    launches = [(args.scenario, "desktop", None, run),
                (privacy, "privacy", None, run_privacy),
                (privacy, "privacy-relaunched", "privacy", run_privacy_relaunched)]
    session = None
    try:
        for scenario, name, home_of, play in launches:
            session = Session(args, display, runtime, scenario, name, home_of)
            play(args, session)
            session.close()
        print("passed; screenshots in %s" % args.artefacts)
        return 0
    except Failure as failure:
        print("FAILED: %s (artefacts in %s)" % (failure, args.artefacts), file=sys.stderr)
        return 1
    finally:
        if session:
            session.close()
        xvfb.terminate()
        try:
            xvfb.wait(timeout=10)
        except subprocess.TimeoutExpired:
            xvfb.kill()
        shutil.rmtree(runtime, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
