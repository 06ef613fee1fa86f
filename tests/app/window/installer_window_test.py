#!/usr/bin/env python3
"""The real installer, driven by real clicks on its window.

Runs the installer program (through a runner such as wine-run.sh when one is
given) against the shared local test server, which serves the signed demo
setup package, on the X display of $DISPLAY. Controls are found from the
geometry `lumacast-layout --geometry` writes for the program's own theme, never
from pixels written here. Each case starts a fresh user (own HOME and XDG
folders, own single-instance lock) and a stand-in browser that records the
addresses it is asked to open.

  installer_window_test.py --program P --layout-tool T --package SETUP
                           --product P --work-dir DIR [--runner R] [--web-port N]
                           [--trust-tool T --trust-root DER] [CASE...]

Under Wine (a runner given) the run works in a private copy of the prefix.

Every wait is bounded; nothing is timed.
"""
import argparse
import ctypes
import json
import os
import shutil
import subprocess
import sys
import time
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "xdrive"))
from xdrive import screen_pixel as pixel, visible_windows, window_rect, xdo  # noqa: E402
import xdrive  # noqa: E402

WAIT = 90.0  # seconds; a download of the demo package and Wine's first start
ARGS = None


def wait_for(what, check, timeout=WAIT):
    return xdrive.wait_for(what, check, timeout)


def control(path="", body=None):
    request = urllib.request.Request("http://127.0.0.1:%d/__control%s" % (ARGS.web_port, path), data=body)
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    with opener.open(request, timeout=10) as reply:
        return reply.read()


def reports():
    """(action, fields) of every report the server received since the reset."""
    blob, out, pos = control("/records"), [], 0
    while pos < len(blob):
        eol = blob.index(b"\n", pos)
        _, endpoint, _port, _tls, head_len, body_len = blob[pos:eol].split(b" ")
        head_len, body_len = int(head_len), int(body_len)
        body = blob[eol + 1 + head_len:eol + 1 + head_len + body_len]
        pos = eol + 1 + head_len + body_len + 1
        if endpoint != b"report":
            continue
        report = json.loads(body)
        # "data" is URL-encoded JSON whose values are URL-encoded again.
        data = urllib.parse.unquote_to_bytes(report.get("data", "%7B%7D"))
        data = urllib.parse.unquote_to_bytes(data.decode("latin-1"))
        out.append((report.get("action"), data))
    return out


class Geometry:
    """Control rectangles of one layout, as the built theme lays it out."""

    def __init__(self, layout, scale, page=None):
        pages = []
        if page:  # another page than the welcome page laid out
            pages = ["--hide", "welcompage", "--show", page]
        out = subprocess.run(ARGS.layout_tool_command + ["--scale", str(scale)] + pages + ["--geometry", "-", layout],
                             capture_output=True, timeout=120)
        text = out.stdout.decode("utf-8", "replace")
        data = json.loads(text[text.index("{"):])
        self.size = (data["window"]["width"], data["window"]["height"])
        self.controls = data["controls"]
        self.pad = self.controls[0]["x"]  # the shadow around the layout's root

    def rect(self, name):
        for c in self.controls:
            if c["name"] == name:
                return c
        raise AssertionError("no control " + name)


class Installer:
    def __init__(self, case, scale=100, extra_env=None):
        self.work = os.path.join(ARGS.work_dir, case)
        shutil.rmtree(self.work, ignore_errors=True)
        for sub in ("home", "config", "data", "run", "tmp", "bin"):
            os.makedirs(os.path.join(self.work, sub))
        self.browser_log = os.path.join(self.work, "browser.txt")
        browser = os.path.join(self.work, "bin", "xdg-open")
        with open(browser, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' % self.browser_log)
        os.chmod(browser, 0o755)
        env = dict(os.environ)
        env.update(HOME=os.path.join(self.work, "home"), XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                   XDG_DATA_HOME=os.path.join(self.work, "data"), XDG_RUNTIME_DIR=os.path.join(self.work, "run"),
                   PATH=os.path.join(self.work, "bin") + os.pathsep + env.get("PATH", ""))
        if not ARGS.runner:
            # Not under Wine: there TMPDIR moves the wineserver's socket, and the
            # program would start a second server on the same prefix, with a
            # registry as stale as the prefix's files.
            env["TMPDIR"] = os.path.join(self.work, "tmp")
        for name in ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
            env.pop(name, None)
        env.update(extra_env or {})
        self.env = env
        if ARGS.runner:
            self.install_dir = wine_program_files_product()
            forget_wine_install(self.install_dir)
        else:
            self.install_dir = os.path.join(env["XDG_DATA_HOME"], "Brightvale", "LumaCast")
        self.geometry = Geometry("basic/basic.xml", scale)
        self.box_geometry = Geometry("msgbox/msgbox.xml", scale)
        # The box with its shadow (layered windows) or without (plain X11).
        self.box_widths = (self.box_geometry.size[0], self.box_geometry.size[0] - 2 * self.box_geometry.pad)
        self.scale = scale
        # The program's own output stays beside the case, for a failure's reader.
        with open(os.path.join(self.work, "output.txt"), "wb") as output:
            self.proc = subprocess.Popen(ARGS.runner + [ARGS.program], env=env, stdout=output,
                                         stderr=subprocess.STDOUT)
        self.window = wait_for("the main window", self.find_window_while_running)
        wait_for("the window at its size", lambda: self.size()[0] > 0)

    def find_window_while_running(self):
        if self.proc.poll() is not None:
            with open(os.path.join(self.work, "output.txt"), errors="replace") as f:
                output = f.read()[-2000:]
            raise AssertionError("the installer ended with status %d before its window appeared: %s" %
                                 (self.proc.returncode, output))
        return self.find_window()

    def find_window(self):
        ids = visible_windows("^LumaCast Setup$")
        return ids[-1] if ids else None

    def position_size(self):
        return window_rect(self.window)

    def size(self):
        return self.position_size()[2:]

    def point(self, name, geometry=None, window_rect=None):
        geometry = geometry or self.geometry
        x, y, w, _h = window_rect or self.position_size()
        # Without a compositor X11 windows carry no shadow: the layout starts at 0.
        offset = (geometry.size[0] - w) // 2
        c = geometry.rect(name)
        return x + c["x"] - offset + c["width"] // 2, y + c["y"] - offset + c["height"] // 2

    def click(self, name, page=None):
        px, py = self.point(name, Geometry("basic/basic.xml", self.scale, page) if page else None)
        xdo("mousemove", "--sync", px, py)
        time.sleep(0.15)
        xdo("click", 1)

    def wait_exit(self, timeout=WAIT):
        try:
            self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("the installer did not end")
        return self.proc.returncode

    def end(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(30)


def steady_pixel(px, py):
    """The screen colour at a point once it no longer changes (a window fades
    in after it is shown), or "" while it still does."""
    first = pixel(px, py)
    time.sleep(0.3)
    return first if first and first == pixel(px, py) else ""


def region(rect):
    """The distinct colours of a screen rectangle (x, y, width, height)."""
    x, y, w, h = rect
    out = subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "-format", "%k",
                          "info:-"], capture_output=True, text=True, timeout=30).stdout
    return int(out.strip() or 0)


def screen_rect(app, name, page):
    """Where a control of a page is on screen, as (x, y, width, height)."""
    geometry = Geometry("basic/basic.xml", app.scale, page)
    x, y, w, _h = app.position_size()
    offset = (geometry.size[0] - w) // 2
    c = geometry.rect(name)
    return x + c["x"] - offset, y + c["y"] - offset, c["width"], c["height"]


def click_box_button(app, box, name):
    """Clicks a button of the question box. The box grows with its text and its
    buttons sit at its bottom, so they are found from the bottom edge."""
    x, y, w, h = window_rect(box)
    geometry = app.box_geometry
    offset = (geometry.size[0] - w) // 2
    c = geometry.rect(name)
    px = x + c["x"] - offset + c["width"] // 2
    py = y + h + offset - (geometry.size[1] - c["y"] - c["height"] // 2)
    xdo("mousemove", "--sync", px, py)
    time.sleep(0.15)
    xdo("click", 1)


def message_box(app):
    """The installer's other visible window (the question box), or None."""
    for window in visible_windows(".*"):
        if window != app.window and window_rect(window)[2] in app.box_widths:
            return window
    return None


# ---- cases ----

def open_question_box(app):
    """Clicks the close button until the quit question is up. Under Wine a
    click right after start-up is sometimes lost; the owner is disabled while
    the box is up, so a repeated click cannot open a second one."""
    def press():
        box = message_box(app)
        if box:
            return box
        app.click("btn_exit")
        try:
            return wait_for("the question box", lambda: message_box(app), 10)
        except AssertionError:
            return None
    return wait_for("the question box", press, 45)


def wine_program_files_product():
    """The product's default folder in the Wine prefix, as a Linux path."""
    out = subprocess.run(ARGS.runner + ["winepath", "-u", "C:\\Program Files\\Brightvale\\LumaCast"],
                         capture_output=True, text=True, timeout=60).stdout.strip().splitlines()
    assert out, "winepath gave no folder"
    return out[-1]


def forget_wine_install(install_dir):
    """Under Wine every case shares the prefix (its program files and
    registry), where earlier cases' demo installs left the product, an
    uninstall entry and an install path: remove them so the program starts as
    on a machine without the product."""
    shutil.rmtree(install_dir, ignore_errors=True)
    for args in (["HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\LumaCast", "/f"],
                 ["HKCU\\Software\\LumaCast\\AppInfo", "/v", "InstallerPath", "/f"]):
        subprocess.run(ARGS.runner + ["reg", "delete"] + args, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)


def case_install_and_start():
    app = Installer("install")
    try:
        app.click("btn_startinstall")
        product = os.path.join(app.install_dir, "lumacast.exe")
        wait_for("the product installed", lambda: os.path.exists(product))
        started = os.path.join(app.install_dir, "started.txt")

        def press_start():
            app.click("btn_startapp", "installedpage")
            return os.path.exists(started) or app.proc.poll() is not None
        wait_for("Start Now to start the product", press_start)
        assert app.wait_exit() == 0, "installer exit code %s" % app.proc.returncode
        wait_for("the product's start record", lambda: os.path.exists(started))
        assert "--install" in open(started).read(), "product started without --install"
        actions = [a for a, _ in reports()]
        assert "InstallResultReport" in actions, actions
    finally:
        app.end()


def case_keyboard_only():
    """Every step without the mouse: Tab reaches the close button first (the
    top row), then the page's main button; Return presses it."""
    app = Installer("keyboard")
    try:
        # Keys go to the focused window; under Wine without a window manager,
        # to the one under the pointer: rest it on the header, away from controls.
        x, y, w, _h = app.position_size()
        xdo("mousemove", "--sync", x + w // 2, y + 40)
        wait_for("the window painted", lambda: steady_pixel(*app.point("btn_startinstall")))
        for key in ("Tab", "Tab", "Return"):
            xdo("key", key)
        wait_for("the install's result", lambda: [a for a, _ in reports() if a == "InstallResultReport"])
        assert os.path.exists(os.path.join(app.install_dir, "lumacast.exe")), "not installed"
        wait_for("the installed page", lambda: steady_pixel(*app.point("btn_startapp", Geometry(
            "basic/basic.xml", app.scale, "installedpage"))))
        for key in ("Tab", "Tab", "Return"):
            xdo("key", key)
        assert app.wait_exit() == 0, "installer exit code %s" % app.proc.returncode
        started = os.path.join(app.install_dir, "started.txt")
        wait_for("the product's start record", lambda: os.path.exists(started))
        assert "--install" in open(started).read(), "product started without --install"
    finally:
        app.end()


def case_agreement_gates_install():
    app = Installer("agreement")
    try:
        spot = app.point("btn_startinstall")
        # Not hovering the button (an earlier case may have left the pointer there).
        xdo("mousemove", "--sync", *app.point("checkbox_agreement"))
        enabled = wait_for("the button painted", lambda: steady_pixel(*spot))
        app.click("checkbox_agreement")
        wait_for("Install Now disabled", lambda: pixel(*spot) != enabled, 20)
        app.click("btn_startinstall")  # disabled: nothing happens
        app.click("checkbox_agreement")
        wait_for("Install Now enabled again", lambda: pixel(*spot) == enabled, 20)
        assert not [a for a, d in reports() if a == "OnClick" and b"Install" in d], "a disabled button installed"
    finally:
        app.end()


def case_customize_bar():
    app = Installer("customize")
    try:
        w, h = app.size()
        delta = (48 * app.scale + 50) // 100
        app.click("btn_customize")
        wait_for("the window grown", lambda: app.size() == (w, h + delta), 20)
        app.click("btn_expand")
        wait_for("the window shrunk back", lambda: app.size() == (w, h), 20)
        app.click("btn_expand")
        wait_for("the window grown again", lambda: app.size() == (w, h + delta), 20)
        app.click("btn_startinstall")
        wait_for("Install Now closing the bar", lambda: app.size() == (w, h), 20)
    finally:
        app.end()


def case_quit_confirmation():
    app = Installer("quit")
    try:
        open_question_box(app)
        time.sleep(0.5)
        xdo("key", "Return")  # the focus starts on "Quit"
        assert app.wait_exit() == 0, "installer exit code %s" % app.proc.returncode
        quits = [d for a, d in reports() if a == "OnClick" and b"btn_exit" in d]
        assert quits and "Failed 未安装".encode("gbk") in quits[-1], quits
    finally:
        app.end()


def case_box_close_opens_package_page():
    app = Installer("boxclose")
    try:
        box = open_question_box(app)
        time.sleep(0.5)
        px, py = app.point("closebtn", app.box_geometry, window_rect(box))
        xdo("mousemove", "--sync", px, py)
        time.sleep(0.15)
        xdo("click", 1)
        wait_for("the full-package page", lambda: os.path.exists(app.browser_log) and
                 "/screen-mirror/offlinepackage" in open(app.browser_log).read(), 30)
        assert app.proc.poll() is None, "the installer ended"
        wait_for("the box gone", lambda: not message_box(app), 30)
    finally:
        app.end()


def case_retry_offered_once():
    # Every download source fails; the failure page offers Try Again once.
    for endpoint in ("cdn", "package"):
        control("", json.dumps({"cmd": "default", "endpoint": endpoint,
                                "item": {"action": "status", "status": 500}}).encode())
    app = Installer("retry")
    try:
        app.click("btn_startinstall")
        failures = lambda: [d for a, d in reports() if a == "InstallResultReport"]
        wait_for("the first failure", lambda: len(failures()) == 1)
        link = screen_rect(app, "btn_reinstall", "installfaildpage")
        wait_for("Try Again on the failure page", lambda: region(link) > 1, 20)
        app.click("btn_reinstall", "installfaildpage")
        wait_for("the second failure", lambda: len(failures()) == 2)
        wait_for("Try Again gone", lambda: region(link) == 1, 20)
        # Where the link was, a click does nothing: the quit question that
        # follows shows the click before it was handled, and no retry came.
        app.click("btn_reinstall", "installfaildpage")
        app.click("btn_exit")
        wait_for("the question box", lambda: message_box(app), 30)
        retries = [d for a, d in reports() if a == "OnClick" and b"ReInstall" in d]
        assert len(retries) == 1, retries
        assert app.proc.poll() is None, "the installer ended"
    finally:
        app.end()


def start_running_product(folder, stay_ms=60000):
    """A copy of the demo product running from its own folder for a while."""
    running = os.path.join(ARGS.work_dir, folder)
    shutil.rmtree(running, ignore_errors=True)
    os.makedirs(running)
    product = os.path.join(running, "lumacast.exe")
    shutil.copy2(ARGS.product, product)
    env = dict(os.environ, LUMACAST_DEMO_PRODUCT_STAY=str(stay_ms))
    other = subprocess.Popen(ARGS.runner + [product], env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    return other, os.path.join(running, "started.txt")


def ask_with_product_running(other, started, case):
    """Starts the installer and Install Now while `other` runs; the
    installer and its running-product question."""
    wait_for("the product running", lambda: os.path.exists(started))
    app = Installer(case)
    app.click("btn_startinstall")
    try:
        box = wait_for("the running-product question", lambda: message_box(app))
    except AssertionError:
        app.end()
        raise
    time.sleep(0.5)
    return app, box


def end_product_and_installer(other, app):
    """Ends the stand-in product, when it still runs, and the installer."""
    if other.poll() is None:
        other.kill()
        other.wait(30)
    if app:
        app.end()


def case_running_product_is_ended():
    other, started = start_running_product("running-product")
    app = None
    try:
        app, box = ask_with_product_running(other, started, "running")
        assert other.poll() is None, "the product ended before the answer"
        click_box_button(app, box, "btn_no")  # "Kill & Continue"
        try:
            other.wait(30)
        except subprocess.TimeoutExpired:
            raise AssertionError("the running product was not ended")
        wait_for("the product installed", lambda: os.path.exists(os.path.join(app.install_dir, "lumacast.exe")))
        wait_for("the installed result", lambda: [d for a, d in reports() if a == "InstallResultReport"])
    finally:
        end_product_and_installer(other, app)


def send_alt_f4(window):
    """Alt+F4 delivered to one window, whichever has the focus."""
    xdo("key", "--window", window, "alt+F4")


def case_close_requests_take_the_close_buttons_way():
    """Alt+F4 on the welcome page asks the quit question (it used to end the
    program); while the question is up, Alt+F4 on the main window is
    ignored; Escape dismisses the box as its close button does (the
    full-package page opens and the installer stays)."""
    app = Installer("altf4")
    try:
        x, y, w, _h = app.position_size()
        xdo("mousemove", "--sync", x + w // 2, y + 40)
        wait_for("the window painted", lambda: steady_pixel(*app.point("btn_startinstall")))

        def ask():
            box = message_box(app)
            if box:
                return box
            send_alt_f4(app.window)
            try:
                return wait_for("the question box", lambda: message_box(app), 10)
            except AssertionError:
                assert app.proc.poll() is None, "Alt+F4 ended the installer without the question"
                return None
        box = wait_for("the quit question", ask, 45)
        time.sleep(0.5)
        send_alt_f4(app.window)  # the main window is blocked by the box
        time.sleep(1.0)
        assert app.proc.poll() is None, "Alt+F4 reached the main window under the question"
        assert message_box(app) == box, "the question went away"
        bx, by, bw, _bh = window_rect(box)
        xdo("mousemove", "--sync", bx + bw // 2, by + 20)
        xdo("key", "Escape")
        wait_for("the full-package page", lambda: os.path.exists(app.browser_log) and
                 "/screen-mirror/offlinepackage" in open(app.browser_log).read(), 30)
        wait_for("the box gone", lambda: not message_box(app), 30)
        assert app.proc.poll() is None, "the installer ended"
    finally:
        app.end()


def case_sigterm_during_download():
    """SIGTERM while a windowed download runs: the window goes, the download
    is cancelled, the process ends with 0 (it used to wait for the download)."""
    if ARGS.runner:
        return "a signal reaches wine-run.sh, not the Windows program"
    control("", json.dumps({"cmd": "default", "endpoint": "package",
                            "item": {"action": "trickle", "chunk": 256, "interval": 1.0}}).encode())
    control("", json.dumps({"cmd": "default", "endpoint": "cdn",
                            "item": {"action": "trickle", "chunk": 256, "interval": 1.0}}).encode())
    app = Installer("sigterm")
    try:
        app.click("btn_startinstall")
        wait_for("the download under way", lambda: [r for r in control("/records").split(b"\n")
                                                    if r.startswith(b"LUMAREC package") or
                                                    r.startswith(b"LUMAREC cdn")], 30)
        time.sleep(0.5)
        app.proc.send_signal(15)
        assert app.wait_exit(30) == 0, "exit status %s" % app.proc.returncode
        assert not visible_windows("^LumaCast Setup$"), "the window stayed"
    finally:
        app.end()


def case_display_lost():
    """The X server goes away under the program: it ends in order with 0
    (Xlib's default ends it with 1 from inside the failed call)."""
    if ARGS.runner:
        return "Wine's own X connection decides there"
    system = OwnDisplay("")
    app = None
    try:
        app = Installer("displaylost")
        system.x11.XCloseDisplay(system.connection)
        system.connection = None
        system.server.kill()
        system.server.wait(30)
        assert app.wait_exit(30) == 0, "exit status %s" % app.proc.returncode
    finally:
        if app:
            app.end()
        system.close()


def case_running_product_question_dismissed():
    """The running-product question closed with its close button leaves the
    product running and goes back to the welcome page (it used to end the
    product); "Try Again" while the product still runs opens the next box at
    once, and the focus stays on that box while the first one fades."""
    # Long enough to outlive a slow download, two questions and their checks.
    other, started = start_running_product("running-dismissed", 600000)
    app = None
    try:
        app, box = ask_with_product_running(other, started, "dismissed")
        # "Try Again" (it has the focus; its place depends on the texts): the
        # product still runs, so a new box comes at once.
        bx, by, bw, _bh = window_rect(box)
        xdo("mousemove", "--sync", bx + bw // 2, by + 20)
        xdo("key", "Return")
        second = wait_for("the second question", lambda: next(
            (w for w in visible_windows(".*") if w not in (app.window, box) and
             window_rect(w)[2] in app.box_widths), None), 30)
        time.sleep(1.0)  # the first box has faded out and gone
        if not ARGS.runner:  # Wine leaves the X focus to the pointer
            assert xdo("getwindowfocus").strip() == second, "the focus left the box that is still up"
        # The first box's going did not wake the main window under the second.
        x, y, w, _h = app.position_size()
        xdo("mousemove", "--sync", x + 20, y + 60)
        send_alt_f4(app.window)
        time.sleep(1.0)
        assert app.proc.poll() is None, "Alt+F4 reached the main window under the second box"
        assert second in visible_windows(".*"), "the second box went away"
        px, py = app.point("closebtn", app.box_geometry, window_rect(second))
        xdo("mousemove", "--sync", px, py)
        time.sleep(0.15)
        xdo("click", 1)
        wait_for("the box gone", lambda: not message_box(app), 30)
        time.sleep(1.0)
        assert other.poll() is None, "closing the question ended the running product"
        # Back on the welcome page: Install Now asks again.
        app.click("btn_startinstall")
        wait_for("the question again", lambda: message_box(app), 30)
        assert other.poll() is None, "the product ended"
    finally:
        end_product_and_installer(other, app)


class OwnDisplay:
    """A private Xvfb whose root window carries X resources. Xvfb drops root
    window properties when its last client leaves, so a property set by a
    short-lived tool (xprop) is gone before the installer starts: this keeps
    its own connection open while the installer runs. -noreset, as for every
    display of the tests: a resetting Xvfb drops connections that arrive."""

    def __init__(self, resources):
        read, write = os.pipe()
        self.server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-noreset", "-screen", "0",
                                        "1280x1024x24", "-nolisten", "tcp"], pass_fds=(write,),
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as numbers:
            number = numbers.readline().strip()  # EOF when Xvfb dies: bounded
        if not number:
            self.server.kill()
            raise AssertionError("own Xvfb did not start")
        self.name = ":" + number
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong,
                                        ctypes.c_int, ctypes.c_int, ctypes.c_char_p, ctypes.c_int]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x11 = x11
        self.connection = x11.XOpenDisplay(self.name.encode())
        if not self.connection:
            self.close()
            raise AssertionError("cannot open " + self.name)
        data = resources.encode()
        xa_resource_manager, xa_string, prop_mode_replace = 23, 31, 0
        x11.XChangeProperty(self.connection, x11.XDefaultRootWindow(self.connection), xa_resource_manager,
                            xa_string, 8, prop_mode_replace, data, len(data))
        x11.XSync(self.connection, 0)
        self.saved = os.environ["DISPLAY"]
        os.environ["DISPLAY"] = self.name  # for xdotool and the installer, until closed

    def close(self):
        if getattr(self, "saved", None):
            os.environ["DISPLAY"] = self.saved
        if getattr(self, "connection", None):
            self.x11.XCloseDisplay(self.connection)
            self.connection = None
        self.server.kill()
        self.server.wait(30)


class OwnWinePrefix:
    """A private copy of the shared Wine prefix, with its own server. Other Wine
    tests run beside this one in the shared prefix and install the demo
    product there (after which the installer rightly quits without its
    question), and Wine reads the DPI only when its server starts, which the
    shared server must not. System files are hard links (the programs run
    here only read them); the registry files, which the server writes, are
    copies, with the DPI written in before any server reads them."""

    def __init__(self, name, dpi=96, trust=True):
        c_drive = subprocess.run(ARGS.runner + ["winepath", "-u", "C:\\"], capture_output=True, text=True,
                                 timeout=60).stdout.strip().splitlines()
        assert c_drive, "winepath gave no C: drive"
        shared = os.path.dirname(os.path.dirname(os.path.normpath(c_drive[-1])))
        self.path = os.path.join(ARGS.work_dir, name)
        self.saved = os.environ.get("LUMACAST_WINEPREFIX")
        shutil.rmtree(self.path, ignore_errors=True)
        os.makedirs(ARGS.work_dir, exist_ok=True)
        subprocess.run(["cp", "-al", shared, self.path], check=True, timeout=300)
        for registry in ("system.reg", "user.reg"):
            target = os.path.join(self.path, registry)
            os.unlink(target)
            with open(os.path.join(shared, registry), encoding="utf-8", errors="surrogateescape") as f:
                text = f.read()
            with open(target, "w", encoding="utf-8", errors="surrogateescape") as f:
                f.write(with_log_pixels(text, dpi))
        os.environ["LUMACAST_WINEPREFIX"] = self.path  # the runner's prefix from here on
        self.server("-p")
        # The first program starts the prefix's background processes, which keep
        # its output open: boot it here, so no captured output waits for them.
        subprocess.run(ARGS.runner + ["wineboot"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=120)
        if trust and ARGS.trust_tool:  # the shared server may not have written its trust to disk yet
            subprocess.run(ARGS.runner + [ARGS.trust_tool, ARGS.trust_root], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=120, check=True)

    def server(self, *args):
        subprocess.run(["wineserver", *args], env=dict(os.environ, WINEPREFIX=self.path),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def close(self):
        self.server("-k")
        self.server("-w")
        if self.saved is None:
            os.environ.pop("LUMACAST_WINEPREFIX", None)
        else:
            os.environ["LUMACAST_WINEPREFIX"] = self.saved
        shutil.rmtree(self.path, ignore_errors=True)


def with_log_pixels(registry, dpi):
    """A Wine registry file's text with every "LogPixels" set to `dpi`, and
    the per-user value Wine reads first added where it is missing."""
    value = '"LogPixels"=dword:%08x' % dpi
    lines = [value if line.startswith('"LogPixels"=') else line for line in registry.split("\n")]
    for i, line in enumerate(lines):
        if line.startswith("[Control Panel\\\\Desktop] "):
            section_end = next((j for j in range(i + 1, len(lines)) if not lines[j]), len(lines))
            if value not in lines[i:section_end]:
                lines.insert(i + 2, value)  # after the header and its time stamp
            break
    return "\n".join(lines)


def case_xhdpi_at_150_percent():
    # Wine takes the DPI from its registry when its server starts; X11 programs
    # from the display's Xft.dpi resource.
    system = OwnWinePrefix("wine-prefix-144", 144, trust=False) if ARGS.runner else OwnDisplay("Xft.dpi:\t144\n")
    app = None
    try:
        app = Installer("xhdpi", 150)
        w, h = app.geometry.size
        pad = app.geometry.pad
        assert (w - 2 * pad, h - 2 * pad) == (900, 600), (w, h, pad)
        # Layered (Wine) and composited windows carry the shadow; plain X11 has none.
        wait_for("the window at 900 x 600", lambda: app.size() in ((900, 600), (w, h)), 20)
        # The program chose the theme by the system's DPI: it reports its scale.
        starts = [d for a, d in reports() if a == "AppStart"]
        assert starts and b'"Scale":"150"' in starts[-1], starts
    finally:
        if app:
            app.end()
        system.close()


CASES = {
    "install": case_install_and_start,
    "keyboard": case_keyboard_only,
    "agreement": case_agreement_gates_install,
    "customize": case_customize_bar,
    "quit": case_quit_confirmation,
    "boxclose": case_box_close_opens_package_page,
    "retry": case_retry_offered_once,
    "running": case_running_product_is_ended,
    "xhdpi": case_xhdpi_at_150_percent,
    "altf4": case_close_requests_take_the_close_buttons_way,
    "sigterm": case_sigterm_during_download,
    "displaylost": case_display_lost,
    "dismissed": case_running_product_question_dismissed,
}


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--runner", default="")
    parser.add_argument("--layout-tool", required=True)
    parser.add_argument("--package", required=True)
    parser.add_argument("--product", required=True)
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--web-port", type=int, default=47803)
    parser.add_argument("--trust-tool", default="", help="Wine: makes the private prefix trust the test root")
    parser.add_argument("--trust-root", default="")
    parser.add_argument("cases", nargs="*")
    ARGS = parser.parse_args()
    ARGS.runner = ARGS.runner.split() if ARGS.runner else []
    ARGS.layout_tool_command = ARGS.runner + [ARGS.layout_tool]
    if not os.environ.get("DISPLAY"):
        print("no X display: set DISPLAY (scripts/run-tests.sh starts Xvfb)")
        return 1
    ARGS.wine_prefix = OwnWinePrefix("wine-prefix") if ARGS.runner else None
    try:
        failed = run_cases(ARGS.cases or list(CASES))
    finally:
        if ARGS.wine_prefix:
            ARGS.wine_prefix.close()
    print("%d passed, %d failed" % (len(ARGS.cases or CASES) - failed, failed))
    return 1 if failed else 0


def run_cases(names):
    failed = 0
    for name in names:
        control("", json.dumps({"cmd": "reset", "file": os.path.abspath(ARGS.package)}).encode())
        try:
            skipped = CASES[name]()
            print(("SKIP %s: %s" % (name, skipped)) if skipped else ("PASS " + name))
        except AssertionError as error:
            failed += 1
            print("FAIL %s: %s" % (name, error))
        sys.stdout.flush()
    return failed


if __name__ == "__main__":
    sys.exit(main())
