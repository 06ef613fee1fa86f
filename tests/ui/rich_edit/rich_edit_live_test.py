#!/usr/bin/env python3
"""Rich edits in a live window driven by real input (xdotool).

  rich_edit_live_test.py THEME_DIR TOOL [TOOL_ARGS...]

Opens layouts/edit.xml with `lumacast-layout --window --print-text`, then:
a double click selects the read-only box's text and Ctrl+C copies it (another
X client reads the CLIPBOARD selection where tkinter is there); typing into
the read-only box changes nothing; the editable box takes typed text,
BackSpace, Home and a paste; the number-only box takes no letters from the
clipboard through Shift+Insert or Ctrl+V. Every wait is bounded; nothing is timed.
"""
import json
import os
import queue
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "xdrive"))
from xdrive import visible_windows, window_rect, xdo  # noqa: E402
import xdrive  # noqa: E402

WAIT = 60.0
PATH = r"C:\Program Files\LumaCast"


def wait_for(what, check, timeout=WAIT):
    return xdrive.wait_for(what, check, timeout, interval=0.05)


def clipboard_from_another_client():
    """The CLIPBOARD text as another X client sees it; None without tkinter."""
    code = "import tkinter; r = tkinter.Tk(); r.withdraw(); print(r.clipboard_get(), end='')"
    try:
        return subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=30).stdout
    except (OSError, subprocess.TimeoutExpired):
        return None


def main():
    theme, tool = sys.argv[1], sys.argv[2:]
    work = tempfile.mkdtemp(prefix="rich_edit_live_")
    geometry = os.path.join(work, "geometry.json")
    proc = subprocess.Popen([*tool, "--theme", theme, "--window", "--geometry", geometry,
                             "--print-text", "edit_path", "--print-text", "edit_note", "--print-text", "edit_digits", "layouts/edit.xml"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    lines = queue.Queue()
    threading.Thread(target=lambda: [lines.put(l.rstrip("\n")) for l in proc.stdout], daemon=True).start()
    seen = []

    def texts(name):
        while not lines.empty():
            seen.append(lines.get())
        prefix = "text %s " % name
        return [l[len(prefix):] for l in seen if l.startswith(prefix)]

    try:
        def read_geometry():
            try:
                with open(geometry, encoding="utf-8") as f:
                    return f.read()
            except OSError:
                return None
        layout = json.loads(wait_for("the geometry", read_geometry))
        controls = {c["name"]: c for c in layout["controls"] if c["name"]}
        wid = wait_for("the window", lambda: (visible_windows("^lumacast-layout$") or [None])[-1])

        def point(name):
            x, y, _w, _h = window_rect(wid)
            c = controls[name]
            return x + c["x"] + c["width"] // 2, y + c["y"] + c["height"] // 2

        def click(name, times=1):
            xdo("mousemove", *point(name))
            xdo("click", "--repeat", times, "--delay", 80, 1)

        # Read-only: selects and copies, never changes.
        click("edit_path", 2)
        xdo("key", "ctrl+c")
        xdo("type", "--delay", 20, "xyz")
        xdo("key", "BackSpace")
        other = clipboard_from_another_client()
        if other is not None:
            assert other == PATH, "the clipboard holds %r" % other

        # Editable: typing, deleting, Home, paste.
        click("edit_note")
        xdo("type", "--delay", 20, "setup")
        wait_for("typed text", lambda: "setup" in texts("edit_note"))
        xdo("key", "BackSpace", "Home")
        xdo("type", "--delay", 20, "> ")
        wait_for("text at the start", lambda: "> setu" in texts("edit_note"))
        xdo("key", "ctrl+a", "ctrl+v")
        wait_for("the pasted path", lambda: PATH in texts("edit_note"))
        assert all(t == PATH for t in texts("edit_path")), "the read-only box changed: %r" % texts("edit_path")

        # Number only: both paste keys bring the clipboard's digits (none).
        click("edit_digits")
        xdo("type", "--delay", 20, "7")
        xdo("key", "shift+Insert")
        xdo("type", "--delay", 20, "8")
        xdo("key", "ctrl+v")
        xdo("type", "--delay", 20, "9")
        wait_for("typed digits", lambda: "789" in texts("edit_digits") or
                 any(not t.isdigit() for t in texts("edit_digits") if t))
        assert all(t.isdigit() for t in texts("edit_digits") if t), "letters in a number box: %r" % texts("edit_digits")
        print("rich edit live test passed")
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


if __name__ == "__main__":
    main()
