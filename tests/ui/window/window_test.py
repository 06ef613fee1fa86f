#!/usr/bin/env python3
"""A live window driven by real input.

Runs `lumacast-layout --window` on the test layout (layouts/window.xml of the
theme given), finds its controls from the --geometry the live window writes,
and drives it with xdotool on the X display of $DISPLAY (Xvfb; Wine's windows
are X windows there too). Asserts on the events the tool prints, on window
geometry, and on the button's pixels where the look is the behaviour.

  window_test.py THEME_DIR WORK_DIR TOOL [TOOL_ARGS...]

Every wait is bounded; nothing is timed.
"""
import ctypes
import ctypes.util
import json
import os
import queue
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "xdrive"))
from xdrive import root_window, visible_windows, window_rect, xdo  # noqa: E402
import xdrive  # noqa: E402

WAIT = 60.0  # seconds; Wine's first start is slow

NORMAL = (0x20, 0x60, 0xC0)
HOT = (0x20, 0xC0, 0x60)


class Screen:
    """Pixels of the root window through Xlib."""

    def __init__(self):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.c_void_p
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XGetPixel.restype = ctypes.c_ulong
        self.x.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        self.x.XDestroyImage.argtypes = [ctypes.c_void_p]
        self.display = self.x.XOpenDisplay(None)
        if not self.display:
            raise SystemExit("no X display")
        self.root = self.x.XDefaultRootWindow(self.display)

    def take_focus(self):
        """Maps a small window of this connection away from the test window and
        gives it the X focus, as another program taking the focus would."""
        x = self.x
        x.XCreateSimpleWindow.restype = ctypes.c_ulong
        x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                          ctypes.c_uint, ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong,
                                          ctypes.c_ulong]
        x.XMapRaised.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XDestroyWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        window = x.XCreateSimpleWindow(self.display, self.root, 1100, 900, 40, 40, 0, 0, 0)
        x.XMapRaised(self.display, window)
        x.XSync(self.display, 0)
        time.sleep(0.2)  # mapped before it may take the focus
        x.XSetInputFocus(self.display, window, 2, 0)  # RevertToParent, CurrentTime
        x.XSync(self.display, 0)
        return window

    def destroy(self, window):
        self.x.XDestroyWindow(self.display, window)
        self.x.XSync(self.display, 0)

    def pixel(self, px, py):
        image = self.x.XGetImage(self.display, self.root, px, py, 1, 1, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            return None
        value = self.x.XGetPixel(image, 0, 0)
        self.x.XDestroyImage(image)
        return ((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF)


def wait_for(what, check, timeout=WAIT):
    return xdrive.wait_for(what, check, timeout, interval=0.05)


class LiveWindow:
    def __init__(self, theme, work, tool):
        self.geometry_file = os.path.join(work, "window_geometry.json")
        if os.path.exists(self.geometry_file):
            os.remove(self.geometry_file)
        before = set(visible_windows())
        self.proc = subprocess.Popen(
            [*tool, "--theme", theme, "--window", "--geometry", self.geometry_file, "layouts/window.xml"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.lines = queue.Queue()
        self.seen = []
        threading.Thread(target=self._read, daemon=True).start()
        layout = json.loads(wait_for("the window's geometry", lambda: self._read_geometry()))
        self.controls = {c["name"]: c for c in layout["controls"] if c["name"]}

        def new_window():
            for wid in visible_windows("^lumacast-layout$"):
                if wid not in before:
                    return wid
            return None

        self.wid = wait_for("the window on screen", new_window)
        # Shown with focus, it takes the keyboard focus itself (no window
        # manager). Wine leaves the X focus at PointerRoot (xdotool then names
        # no window) or at the root window, where an earlier focused window
        # left it: either way keys go to the window under the pointer.
        accepted = (self.wid, "", root_window())
        wait_for("the keyboard focus", lambda: xdo("getwindowfocus").strip() in accepted)

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))

    def _read_geometry(self):
        try:
            with open(self.geometry_file, encoding="utf-8") as f:
                return f.read()
        except OSError:
            return None

    def drain(self):
        while True:
            try:
                self.seen.append(self.lines.get_nowait())
            except queue.Empty:
                return

    def count(self, line):
        self.drain()
        return self.seen.count(line)

    def wait_line(self, line, times):
        wait_for(repr(line) + " x%d" % times, lambda: self.count(line) >= times)

    def origin(self):
        return window_rect(self.wid)[:2]

    def point(self, name, dx=None, dy=None):
        """Screen point inside control `name` (its centre unless given)."""
        c = self.controls[name]
        ox, oy = self.origin()
        return (ox + c["x"] + (c["width"] // 2 if dx is None else dx),
                oy + c["y"] + (c["height"] // 2 if dy is None else dy))

    def click(self, name):
        x, y = self.point(name)
        xdo("mousemove", x, y)
        xdo("click", 1)


def main():
    theme, work, tool = sys.argv[1], sys.argv[2], sys.argv[3:]
    os.makedirs(work, exist_ok=True)
    screen = Screen()
    w = LiveWindow(theme, work, tool)
    try:
        failures = run_cases(w, screen)
    finally:
        if w.proc.poll() is None:
            w.proc.kill()
            w.proc.wait()
    try:
        layout_that_does_not_build(theme, work, tool)
        print("ok   a layout that does not build shows the error box and ends the program with status 2")
    except AssertionError as e:
        failures.append("error box")
        print("FAIL error box: %s" % e)
    if failures:
        sys.exit("failed: " + ", ".join(failures))


def layout_that_does_not_build(theme, work, tool):
    """A window whose layout is broken: the error box names the file, the
    window never appears, and once the box is answered the program ends with
    status 2 (the caller learns it)."""
    broken = os.path.join(work, "broken")
    os.makedirs(os.path.join(broken, "layouts"), exist_ok=True)
    for name in os.listdir(theme):
        if name.endswith(".xml"):
            with open(os.path.join(theme, name), "rb") as src, open(os.path.join(broken, name), "wb") as dst:
                dst.write(src.read())
    with open(os.path.join(broken, "layouts", "broken.xml"), "w") as f:
        f.write('<?xml version="1.0"?>\n<Window size="300,200">\n  <VBox>\n</Window>\n')
    before = set(visible_windows())
    proc = subprocess.Popen([*tool, "--theme", broken, "--window", "layouts/broken.xml"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        box = wait_for("the error box", lambda: next(
            (wid for wid in visible_windows("^Pravik$") if wid not in before), None))
        assert proc.poll() is None, "the program ended before the box was answered"
        assert not set(visible_windows("^lumacast-layout$")) - before, \
            "the broken layout's window appeared"
        # Keys go to the focused window, or (Wine, no window manager) to the
        # one under the pointer.
        x, y, _w, _h = window_rect(box)
        xdo("mousemove", x + 5, y + 5)
        xdo("key", "Return")
        status = proc.wait(timeout=WAIT)
        assert status == 2, "exit status %d" % status
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def run_cases(w, screen):
    failures = []

    def case(name, body):
        try:
            body()
            print("ok   " + name)
        except AssertionError as e:
            failures.append(name)
            print("FAIL %s: %s" % (name, e))

    def hover():
        # A corner of the button, away from its text.
        px, py = w.point("btn_ok", 4, 4)
        away = w.point("lbl_note")
        xdo("mousemove", *away)
        wait_for("the normal image", lambda: screen.pixel(px, py) == NORMAL)
        xdo("mousemove", *w.point("btn_ok"))
        wait_for("the hot image", lambda: screen.pixel(px, py) == HOT)
        xdo("mousemove", *away)
        wait_for("the normal image again", lambda: screen.pixel(px, py) == NORMAL)

    def press_leave_release():
        clicks = w.count("event 41 btn_ok")
        xdo("mousemove", *w.point("btn_ok"))
        xdo("mousedown", 1)
        xdo("mousemove", *w.point("lbl_note"))
        xdo("mouseup", 1)
        # A later click elsewhere proves the release has been handled.
        marker = w.count("event 41 btn_other")
        w.click("btn_other")
        w.wait_line("event 41 btn_other", marker + 1)
        assert w.count("event 41 btn_ok") == clicks, "a press dragged off the button clicked it"
        w.click("btn_ok")
        w.wait_line("event 41 btn_ok", clicks + 1)

    def press_focus_away_release():
        clicks = w.count("event 41 btn_ok")
        xdo("mousemove", *w.point("btn_ok"))
        xdo("mousedown", 1)
        time.sleep(0.3)
        other = screen.take_focus()
        time.sleep(0.5)
        xdo("mouseup", 1)
        marker = w.count("event 41 btn_other")
        screen.destroy(other)
        w.click("btn_other")
        w.wait_line("event 41 btn_other", marker + 1)
        assert w.count("event 41 btn_ok") == clicks, "a press interrupted by a focus change clicked"

    def focus_mark():
        mark, background = (0x2F, 0x6F, 0xEB), (0xF4, 0xF8, 0xF9)
        ox, oy = w.origin()
        c = w.controls["btn_other"]
        left, top, right, bottom = ox + c["x"] - 3, oy + c["y"] - 3, ox + c["x"] + c["width"] + 3, \
            oy + c["y"] + c["height"] + 3
        sides = {"top": (left + 10, top), "bottom": (left + 10, bottom - 1), "left": (left, top + 10),
                 "right": (right - 1, top + 10)}
        w.click("btn_ok")  # the focus on OK, no mark (a mouse press)
        w.wait_line("event 36 btn_ok", 1)
        xdo("mousemove", *w.point("lbl_note"))
        xdo("key", "Tab")  # to Other, with its mark
        for side, spot in sides.items():
            wait_for("the mark's %s side" % side, lambda: screen.pixel(*spot) == mark, 10)
        xdo("key", "Tab")  # on to the next stop: nothing of the old mark stays
        for side, spot in sides.items():
            wait_for("the old mark's %s side gone" % side, lambda: screen.pixel(*spot) == background, 10)
        time.sleep(0.6)  # the next case's click on OK must not pair with ours into a double click

    def keyboard():
        w.click("btn_ok")  # the button takes the focus
        w.wait_line("event 36 btn_ok", 1)
        clicks = w.count("event 41 btn_ok")
        xdo("key", "space")
        w.wait_line("event 41 btn_ok", clicks + 1)
        xdo("key", "Return")
        w.wait_line("event 41 btn_ok", clicks + 2)

    def check_box():
        origin = w.origin()
        w.click("chk_caption")
        w.wait_line("event 42 chk_caption", 1)
        time.sleep(0.6)  # not a double click (that would be kind 0 + up: still a toggle)
        w.click("chk_caption")
        w.wait_line("event 43 chk_caption", 1)
        seen = [line for line in w.seen if line.endswith(" chk_caption") and line.split()[1] in ("41", "42", "43")]
        assert seen == ["event 42 chk_caption", "event 43 chk_caption"], seen
        assert w.origin() == origin, "pressing the check box in the caption moved the window"

    def caption_drag():
        ox, oy = w.origin()
        x, y = w.point("title_space")
        xdo("mousemove", x, y)
        xdo("mousedown", 1)
        for step in range(1, 4):
            xdo("mousemove", x + 20 * step, y + 15 * step)
        xdo("mouseup", 1)
        wait_for("the window at its new place", lambda: w.origin() == (ox + 60, oy + 45), timeout=10)

    def close():
        w.click("closebtn")
        w.wait_line("event 41 closebtn", 1)
        status = w.proc.wait(timeout=WAIT)
        assert status == 0, "exit status %d" % status
        wait_for("the window to go", lambda: w.wid not in visible_windows())

    case("hover changes the state image", hover)
    case("a press that leaves the button raises no click", press_leave_release)
    case("a press interrupted by another window taking the focus raises no click", press_focus_away_release)
    case("the focus mark has four sides and leaves nothing behind", focus_mark)
    case("Space and Enter click the focused button", keyboard)
    case("a check box in the caption selects, unselects and does not drag", check_box)
    case("the caption drags the window", caption_drag)
    case("the close button ends the program with status 0", close)
    return failures


if __name__ == "__main__":
    main()
