#!/usr/bin/env python3
"""The real installer (Linux) seen and driven through AT-SPI only.

Starts its own Xvfb, a private XDG_RUNTIME_DIR and a private session bus
(dbus-run-session) with the accessibility bus launcher, then runs a pyatspi
client against the installer, which downloads the demo package from the
shared local test server:

- walk: every page's tree (roles, names, states, values); every focusable
  node has a name;
- events: focus, state and value changes arrive as AT-SPI events;
- install: Install Now, the progress value, Start Now, all by doAction: the
  product starts with "--install" and the installer ends with 0;
- question: the quit question appears as a dialog whose "Quit" ends the
  installer with 0;
- degraded: NO_AT_BRIDGE=1, and a bus address that leads nowhere: the
  program still shows its window and ends cleanly;
- layout tool: `lumacast-layout --window` shows the same tree.

  installer_atspi_test.py --program P --layout-tool T --package SETUP --work-dir DIR --web-port N [CASE...]

The bridge answers DoAction before the action runs (and TRUE for a disabled
button): effects are checked, never return values. Every wait is bounded;
every daemon started here is ended here.
"""
import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import time
import urllib.request

WAIT = 90.0
INNER = "LUMACAST_ATSPI_INNER"
ARGS = None


def wait_for(what, check, timeout=WAIT, pump=None):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if pump:
            pump()
        value = check()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


# ---- outside: a display and a bus of our own ----

def own_display():
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-noreset", "-screen", "0", "1280x1024x24",
                               "-nolisten", "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as numbers:
        number = numbers.readline().strip()  # EOF when Xvfb dies: bounded
    if not number:
        server.kill()
        server.wait(30)
        raise AssertionError("own Xvfb did not start")
    return server, ":" + number


def client_python():
    """An interpreter with pyatspi: Debian installs it for the system's own."""
    for python in (sys.executable, "/usr/bin/python3"):
        if subprocess.run([python, "-c", "import pyatspi"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=60).returncode == 0:
            return python
    raise AssertionError("no Python with pyatspi (Debian: python3-pyatspi)")


def outer():
    python = client_python()
    shutil.rmtree(ARGS.work_dir, ignore_errors=True)
    runtime = os.path.join(ARGS.work_dir, "runtime")
    os.makedirs(runtime, mode=0o700)
    xvfb, display = own_display()
    env = dict(os.environ, DISPLAY=display, XDG_RUNTIME_DIR=runtime, NO_AT_BRIDGE="0")
    env[INNER] = "1"
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)  # never the user's bus
    env.pop("AT_SPI_BUS_ADDRESS", None)
    # Its own process group: whatever the bus daemons start is ended with it.
    session = subprocess.Popen(["dbus-run-session", "--", python] + sys.argv, env=env,
                               start_new_session=True)
    try:
        status = session.wait(600)
    except subprocess.TimeoutExpired:
        status = 1
        print("the session did not end", file=sys.stderr)
    finally:
        try:
            os.killpg(session.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        if session.poll() is None:
            session.wait(30)
        xvfb.kill()
        xvfb.wait(30)
    return status


# ---- inside the session ----

def start_bus_launcher():
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def owned():
        out = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                              "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"],
                             capture_output=True, text=True, timeout=10).stdout
        return "true" in out
    wait_for("the accessibility bus", owned, 30)
    return launcher


class Client:
    """pyatspi without its main loop: events are pumped here, and nothing is
    cached on the client's side."""

    def __init__(self):
        import pyatspi
        from gi.repository import GLib
        self.pyatspi = pyatspi
        self.context = GLib.MainContext.default()
        self.events = []
        pyatspi.Registry.registerEventListener(self.events.append, "object:state-changed",
                                               "object:property-change:accessible-value", "object:value-changed",
                                               "object:children-changed", "object:property-change:accessible-name")

    def pump(self):
        for _ in range(200):  # bounded: whatever is queued now
            if not self.context.iteration(False):
                break

    def application(self, pid):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:  # an application that has just gone
                continue
        return None

    def wait_application(self, proc):
        def found():
            assert proc.poll() is None, "the program ended with %s" % proc.returncode
            app = self.application(proc.pid)
            return app if app is not None and app.childCount > 0 else None
        return wait_for("the program on the accessibility bus", found, pump=self.pump)


def states(node):
    return {s.value_nick for s in node.getState().getStates()}


def walk(node, out=None, depth=0):
    """Every node below `node` as (depth, role, name, states, node)."""
    out = [] if out is None else out
    assert depth < 30, "the tree is too deep"
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        assert child is not None, "child %d of %s is missing" % (i, node.name)
        out.append((depth, child.getRoleName(), child.name, states(child), child))
        walk(child, out, depth + 1)
    return out


def find(nodes, role, name=None, showing=True):
    for _depth, r, n, s, node in nodes:
        if r == role and (name is None or n == name) and (not showing or "showing" in s):
            return node
    return None


def check_names(nodes, page):
    # A screen reader announces a nameless control as its role alone: every
    # control one can move to needs a name, the picture buttons included.
    unnamed = [role for _depth, role, name, st, _node in nodes if "focusable" in st and not name.strip()]
    assert not unnamed, "%s: focusable without a name: %s" % (page, unnamed)


class Installer:
    def __init__(self, case, extra_env=None, command=None):
        self.work = os.path.join(ARGS.work_dir, case)
        shutil.rmtree(self.work, ignore_errors=True)
        for sub in ("home", "config", "data", "run", "tmp", "bin"):
            os.makedirs(os.path.join(self.work, sub))
        browser = os.path.join(self.work, "bin", "xdg-open")
        with open(browser, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' % os.path.join(self.work, "browser.txt"))
        os.chmod(browser, 0o755)
        env = dict(os.environ)
        env.update(HOME=os.path.join(self.work, "home"), XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                   XDG_DATA_HOME=os.path.join(self.work, "data"), TMPDIR=os.path.join(self.work, "tmp"),
                   PATH=os.path.join(self.work, "bin") + os.pathsep + env.get("PATH", ""))
        for name in ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
            env.pop(name, None)
        for name, value in (extra_env or {}).items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        self.install_dir = os.path.join(env["XDG_DATA_HOME"], "Brightvale", "LumaCast")
        self.setup_log = os.path.join(self.work, "setup-runs.txt")
        env["LUMACAST_DEMO_SETUP_LOG"] = self.setup_log
        with open(os.path.join(self.work, "output.txt"), "wb") as output:
            self.proc = subprocess.Popen(command or [ARGS.program], env=env, stdout=output, stderr=subprocess.STDOUT)

    def setup_runs(self):
        """The demo setup's own record of its starts, for a failure's reader."""
        if not os.path.exists(self.setup_log):
            return "none"
        with open(self.setup_log, errors="replace") as f:
            return f.read().strip().replace("\n", " | ")

    def output(self):
        with open(os.path.join(self.work, "output.txt"), errors="replace") as f:
            return f.read()[-1500:]

    def expect_exit_0(self, after):
        try:
            status = self.proc.wait(WAIT)
        except subprocess.TimeoutExpired:
            raise AssertionError("the installer did not end after " + after)
        assert status == 0, "installer exit code %s after %s" % (status, after)

    def end(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(30)


def reset_server():
    """The shared server back to serving the signed demo package."""
    body = json.dumps({"cmd": "reset", "file": os.path.abspath(ARGS.package)}).encode()
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    with opener.open(urllib.request.Request("http://127.0.0.1:%d/__control" % ARGS.web_port, data=body),
                     timeout=10) as reply:
        reply.read()


def do_action(node):
    action = node.queryAction()
    assert action.nActions >= 1, "%s %r has no action" % (node.getRoleName(), node.name)
    action.doAction(0)  # its answer says nothing: the effect is checked


def event_seen(client, kind, node, detail1=None):
    def seen():
        for e in client.events:
            if e.type == kind and e.source == node and (detail1 is None or e.detail1 == detail1):
                return True
        return False
    return seen


def case_install(client):
    """Walk, events and a whole install, through AT-SPI alone."""
    reset_server()
    app = Installer("install")
    try:
        application = client.wait_application(app.proc)
        frame = application.getChildAtIndex(0)
        assert frame.getRoleName() == "frame", frame.getRoleName()
        assert frame.name == "LumaCast Setup", frame.name
        welcome = walk(frame)
        check_names(welcome, "welcome")
        install = find(welcome, "push button", "Install Now")
        assert install is not None, [(r, n) for _d, r, n, _s, _x in welcome]
        assert {"focusable", "sensitive", "enabled"} <= states(install), states(install)
        agreement = find(welcome, "check box")
        assert agreement is not None and {"checkable", "checked"} <= states(agreement), "no checked agreement"
        assert agreement.name.strip(), "the agreement has no name"
        assert find(welcome, "progress bar") is None, "a progress bar on the welcome page"
        x, y, w, h = install.queryComponent().getExtents(0)  # screen
        assert w > 0 and h > 0, (x, y, w, h)
        hit = frame.queryComponent().getAccessibleAtPoint(x + w // 2, y + h // 2, 0)
        assert hit is not None and hit.name == "Install Now", hit and hit.name
        for node in (install, agreement):
            assert node.queryAction().getName(0), "an action without a name"

        # Focus: moved by the client, told back as an event.
        del client.events[:]
        agreement.queryComponent().grabFocus()
        wait_for("the agreement's focus event", event_seen(client, "object:state-changed:focused", agreement, 1),
                 30, client.pump)
        assert "focused" in states(agreement)

        # Show and hide: the customize bar's controls come and go as children.
        customize = find(welcome, "push button", "Customize")
        assert customize is not None, "no Customize button"
        before = len(walk(frame))
        del client.events[:]
        do_action(customize)
        wait_for("the customize bar's children", lambda: any(
            e.type.startswith("object:children-changed:add") for e in client.events), 30, client.pump)
        assert len(walk(frame)) > before, "the customize bar added no nodes"
        check_names(walk(frame), "customize")
        do_action(customize)
        wait_for("the customize bar's children gone", lambda: any(
            e.type.startswith("object:children-changed:remove") for e in client.events), 30, client.pump)
        assert len(walk(frame)) == before, "the customize bar left nodes behind"

        # State: unticking the agreement disables Install Now; a press of the
        # disabled button does nothing (actions run in order: once the box is
        # ticked again, the press has been tried).
        do_action(agreement)
        wait_for("the agreement's unchecked event", event_seen(client, "object:state-changed:checked", agreement, 0),
                 30, client.pump)
        wait_for("Install Now disabled", lambda: "sensitive" not in states(install), 30, client.pump)
        do_action(install)
        do_action(agreement)
        wait_for("the agreement checked again", lambda: "checked" in states(agreement), 30, client.pump)
        assert find(walk(frame), "push button", "Install Now") is not None, "a disabled Install Now acted"
        wait_for("Install Now enabled", lambda: "sensitive" in states(install), 30, client.pump)

        # Install: the progress bar's value moves and is told.
        del client.events[:]
        do_action(install)
        progress = wait_for("the progress bar", lambda: find(walk(frame), "progress bar"), 30, client.pump)
        value = progress.queryValue()
        assert value.minimumValue < value.maximumValue, (value.minimumValue, value.maximumValue)
        seen = []

        def installed():
            try:
                if "showing" in states(progress):
                    seen.append(progress.queryValue().currentValue)
            except Exception:
                pass
            return find(walk(frame), "push button", "Start Now")
        try:
            start = wait_for("the installed page", installed, 2 * WAIT, client.pump)  # download and setup
        except AssertionError:
            shown = [(r, n) for _d, r, n, s, _x in walk(frame) if "showing" in s]
            raise AssertionError("no Start Now: %s; setup runs: %s; %s" % (shown, app.setup_runs(), app.output()))
        assert seen and seen == sorted(seen), "progress values went back: %s" % seen
        value_events = [e for e in client.events if e.source == progress and
                        e.type in ("object:property-change:accessible-value", "object:value-changed")]
        assert value_events, "no value event from the progress bar"
        check_names(walk(frame), "installed")

        started = os.path.join(app.install_dir, "started.txt")
        do_action(start)
        app.expect_exit_0("Start Now")
        wait_for("the product's start record", lambda: os.path.exists(started), 30)
        assert "--install" in open(started).read(), "product started without --install"
    finally:
        app.end()


def case_question(client):
    """The quit question: a dialog beside the frame, its buttons named and
    acting; "Quit" ends the installer with 0."""
    reset_server()
    app = Installer("question")
    try:
        application = client.wait_application(app.proc)
        frame = application.getChildAtIndex(0)
        # The close button is the window's first button (a picture: named by
        # the theme, or not yet).
        close = next(node for _d, role, name, _s, node in walk(frame) if role == "push button" and
                     name in ("", "Close"))
        do_action(close)

        def dialog():
            for i in range(application.childCount):
                child = application.getChildAtIndex(i)
                if child is not None and child.getRoleName() == "dialog":
                    return child
            return None
        try:
            box = wait_for("the question box", dialog, 30, client.pump)
        except AssertionError:
            raise AssertionError("no question box: %s" % [(application.getChildAtIndex(i).getRoleName(),
                                                          application.getChildAtIndex(i).name)
                                                         for i in range(application.childCount)])
        assert box.name.strip(), "the question box has no name"
        nodes = walk(box)
        check_names(nodes, "question")
        quit_button = find(nodes, "push button", "Quit")
        assert quit_button is not None, [(r, n) for _d, r, n, _s, _x in nodes]
        do_action(quit_button)
        app.expect_exit_0("Quit")
    finally:
        app.end()


def window_of(proc, title):
    def shown():
        assert proc.poll() is None, "the program ended with %s" % proc.returncode
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(proc.pid), "--name", title],
                             capture_output=True, text=True, timeout=30).stdout.split()
        return out
    return wait_for("the window", shown, 60)


def case_degraded(client):
    """No bridge wanted, or no bus where the address points: the program works
    as before (its window comes, SIGTERM ends it with 0) and stays off the bus."""
    nowhere = "unix:path=" + os.path.join(ARGS.work_dir, "none")
    for name, env in (("no-bridge", {"NO_AT_BRIDGE": "1"}),
                      # The accessibility bus is found through the variable
                      # first, the display's root window next.
                      ("dead-bus", {"DBUS_SESSION_BUS_ADDRESS": nowhere, "AT_SPI_BUS_ADDRESS": nowhere}),
                      ("no-session-bus", {"DBUS_SESSION_BUS_ADDRESS": None, "AT_SPI_BUS_ADDRESS": nowhere})):
        app = Installer(name, env)
        try:
            window_of(app.proc, "^LumaCast Setup$")
            # A bridged program is on the bus well within this.
            end = time.monotonic() + 3
            while time.monotonic() < end:
                client.pump()
                assert client.application(app.proc.pid) is None, name + ": the program is on the bus"
                time.sleep(0.1)
            app.proc.send_signal(signal.SIGTERM)
            assert app.proc.wait(30) == 0, "%s: exit code %s" % (name, app.proc.returncode)
        finally:
            app.end()


def case_layout_tool(client):
    """The layout tool's window exposes the same tree."""
    app = Installer("layout", command=[ARGS.layout_tool, "--window", "basic/basic.xml"])
    try:
        application = client.wait_application(app.proc)
        nodes = walk(application.getChildAtIndex(0))
        check_names(nodes, "layout tool")
        assert find(nodes, "push button", "Install Now") is not None, [(r, n, s) for _d, r, n, s, _x in nodes]
    finally:
        app.end()


CASES = {"install": case_install, "degraded": case_degraded, "layout": case_layout_tool, "question": case_question}


def inner():
    launcher = start_bus_launcher()
    failed = []
    try:
        client = Client()
        for name in ARGS.cases or sorted(CASES):
            try:
                CASES[name](client)
                print("PASS", name)
            except AssertionError as error:
                failed.append(name)
                print("FAIL %s: %s" % (name, error))
    finally:
        launcher.terminate()
        try:
            launcher.wait(30)
        except subprocess.TimeoutExpired:
            launcher.kill()
            launcher.wait(30)
    return 1 if failed else 0


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--layout-tool", required=True)
    parser.add_argument("--package", required=True)
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--web-port", type=int, required=True)
    parser.add_argument("cases", nargs="*", choices=[[]] + sorted(CASES))
    ARGS = parser.parse_args()
    ARGS.work_dir = os.path.abspath(ARGS.work_dir)
    sys.stdout.reconfigure(line_buffering=True)
    return inner() if os.environ.get(INNER) else outer()


if __name__ == "__main__":
    sys.exit(main())
