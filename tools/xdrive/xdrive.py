"""Drives X windows from outside, the way a person would: xdotool for input
and window queries, bounded waits, window rectangles. Shared by the live
window tests and the screenshot script; works the same for native windows and
Wine's (which are X windows too). Every call is bounded in time."""
import subprocess
import time


def xdo(*args):
    """xdotool's standard output for `args` (empty when it failed)."""
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True, timeout=30).stdout


def wait_for(what, check, timeout, interval=0.1):
    """The first true value `check()` returns within `timeout` seconds; an
    AssertionError naming `what` when none came."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = check()
        if value:
            return value
        time.sleep(interval)
    raise AssertionError("timed out waiting for " + what)


def window_rect(window):
    """(x, y, width, height) of an X window on the screen; zeros when it is gone."""
    values = dict(item.split("=", 1) for item in xdo("getwindowgeometry", "--shell", window).split() if "=" in item)
    return (int(values.get("X", 0)), int(values.get("Y", 0)), int(values.get("WIDTH", 0)),
            int(values.get("HEIGHT", 0)))


def visible_windows(name_pattern=""):
    """Ids of the mapped windows whose name matches the regular expression."""
    return xdo("search", "--onlyvisible", "--name", name_pattern).split()


def screen_pixel(x, y):
    """The screen's colour at a point as ImageMagick writes it ("#RRGGBB"), or
    "" when it could not be read."""
    text = subprocess.run(["import", "-window", "root", "-crop", "1x1+%d+%d" % (x, y), "txt:-"],
                          capture_output=True, text=True, timeout=30).stdout.strip()
    return text.splitlines()[-1].split()[2] if text else ""


def root_window():
    """Id of the screen's root window."""
    ids = xdo("search", "--maxdepth", "0", "--name", "").split()
    return ids[0] if ids else ""
