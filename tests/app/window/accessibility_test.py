#!/usr/bin/env python3
"""What assistive technology finds in the installer, and an install done
through it alone.

  theme    every page of the built theme through `lumacast-layout
           --accessibility`: roles and names, a name on every focusable node
  install  (Windows) an MSAA client of our own walks the live window, hears its
           WinEvents, presses Install Now, follows the progress value and
           presses Start Now: the product starts with "--install" and the
           installer ends with 0
  quit     (Windows) the same client opens the quit question through Close,
           checks the box (a dialog, focus on its default button) and quits
  live     the welcome page as a live window (`lumacast-layout --window`):
           real clicks and keys raise the tree's focus and state events

  accessibility_test.py <installer_window_test.py's options> [--client EXE] [CASE...]

Every wait is bounded; nothing is timed.
"""
import argparse
import json
import os
import queue
import subprocess
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import installer_window_test as iwt  # noqa: E402

# The pages, as --show/--hide arguments over the welcome page.
PAGES = {
    "welcome": ["--show", "customizebar"],
    "installing": ["--hide", "welcompage", "--show", "installpage", "--show", "downloadAlert"],
    "installed": ["--hide", "welcompage", "--show", "installedpage"],
    "failed": ["--hide", "welcompage", "--show", "installfaildpage"],
}
EXPECTED = {
    "welcome": ['push button "Close"', 'push button "Install Now"',
                'check box "I have read and accept" [focusable,checkable,checked]', 'link "User Agreement"',
                'push button "Customize"', 'push button "Show or Hide the Destination Folder"',
                'text "Destination Folder" [focusable,read-only] value "C:\\\\Program Files\\\\LumaCast"',
                'push button "Browse for the Destination Folder"'],
    "installing": ['progress bar "Installation Progress" value "0%" range 0..100',
                   'link "Download the full installation package"'],
    "installed": ['push button "Start Now"'],
    "failed": ['push button "Download Now"', 'link "Try Again"'],
    # The box's buttons and message are named when it is shown.
    "box": ['push button "Close"', 'text "Message" [disabled,read-only,multi-line]'],
}


def accessibility_text(layout, page_args):
    out = subprocess.run(iwt.ARGS.layout_tool_command + page_args + ["--accessibility", "-", layout],
                         capture_output=True, timeout=120)
    assert out.returncode == 0, out.stderr.decode("utf-8", "replace")
    return out.stdout.decode("utf-8", "replace").replace("\r\n", "\n")


def case_theme():
    texts = {page: accessibility_text("basic/basic.xml", args) for page, args in PAGES.items()}
    texts["box"] = accessibility_text("msgbox/msgbox.xml", [])
    for page, text in texts.items():
        lines = [line.strip() for line in text.splitlines()]
        # The root is the off-screen window, which has no title.
        for line in lines[1:] if page != "box" else []:
            assert not ("focusable" in line and '""' in line.split("[")[0]), "%s: unnamed: %s" % (page, line)
        for wanted in EXPECTED[page]:
            assert any(line.startswith(wanted) for line in lines), "%s: no %s in\n%s" % (page, wanted, text)
    assert "Start Now" not in texts["welcome"], "hidden pages are left out"


def run_client(mode, app):
    log = os.path.join(app.work, "msaa_client.txt")
    with open(log, "wb") as output:
        client = subprocess.Popen(iwt.ARGS.runner + [iwt.ARGS.client, mode, "LumaCast Setup"], env=app.env,
                                  stdout=output, stderr=subprocess.STDOUT)
        try:
            status = client.wait(600)
        except subprocess.TimeoutExpired:
            client.kill()
            client.wait(30)
            status = "killed"
    with open(log, errors="replace") as f:
        text = f.read()
    assert status == 0, "the MSAA client ended with %s:\n%s" % (status, text[-6000:])
    return None


def run_installer_with_client(mode, case, check=None):
    """Runs the installer and the client `mode` against it; the installer
    must end with 0, and then `check(app)` holds."""
    if not iwt.ARGS.client:
        return "no MSAA client on this platform"
    app = iwt.Installer(case)
    try:
        run_client(mode, app)
        assert app.wait_exit() == 0, "installer exit code %s" % app.proc.returncode
        if check:
            check(app)
    finally:
        app.end()
    return None


def product_started_for_install(app):
    started = os.path.join(app.install_dir, "started.txt")
    iwt.wait_for("the product's start record", lambda: os.path.exists(started))
    assert "--install" in open(started).read(), "product started without --install"


def case_install():
    return run_installer_with_client("install", "a11y-install", product_started_for_install)


def case_quit():
    return run_installer_with_client("quit", "a11y-quit")


def case_live():
    work = os.path.join(iwt.ARGS.work_dir, "live")
    os.makedirs(work, exist_ok=True)
    geometry_file = os.path.join(work, "geometry.json")
    if os.path.exists(geometry_file):
        os.remove(geometry_file)
    before = set(iwt.visible_windows(".*"))
    proc = subprocess.Popen(iwt.ARGS.layout_tool_command + ["--window", "--geometry", geometry_file,
                                                            "--accessibility", "-", "basic/basic.xml"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    lines, seen = queue.Queue(), []

    def read():
        for line in proc.stdout:
            lines.put(line.rstrip("\r\n"))
    threading.Thread(target=read, daemon=True).start()

    def saw(wanted):
        while not lines.empty():
            seen.append(lines.get_nowait())
        return any(line.startswith(wanted) for line in seen)
    try:
        layout = json.loads(iwt.wait_for("the window's geometry", lambda: os.path.exists(geometry_file) and
                                         open(geometry_file, encoding="utf-8").read()))
        controls = {c["name"]: c for c in layout["controls"] if c["name"]}
        window = iwt.wait_for("the window", lambda: next(
            (w for w in iwt.visible_windows("^lumacast-layout$") if w not in before), None))
        iwt.wait_for("the tree printed", lambda: saw('  check box "I have read and accept"'))

        def click(name):
            x, y = iwt.window_rect(window)[:2]
            c = controls[name]
            iwt.xdo("mousemove", "--sync", x + c["x"] + c["width"] // 2, y + c["y"] + c["height"] // 2)
            iwt.xdo("click", 1)
        click("checkbox_agreement")
        iwt.wait_for("the focus event", lambda: saw("accessible focus check box I have read and accept"), 30)
        iwt.wait_for("the state event", lambda: saw("accessible state check box I have read and accept"), 30)
        iwt.xdo("key", "Tab")  # the next tab stop in reading order
        iwt.wait_for("the focus moving on", lambda: saw("accessible focus link User Agreement"), 30)
    finally:
        proc.kill()
        proc.wait(30)


CASES = {"theme": case_theme, "live": case_live, "install": case_install, "quit": case_quit}


def main():
    parser = argparse.ArgumentParser()
    for option in ("--program", "--layout-tool", "--package", "--product", "--work-dir"):
        parser.add_argument(option, required=True)
    parser.add_argument("--runner", default="")
    parser.add_argument("--web-port", type=int, default=47803)
    parser.add_argument("--trust-tool", default="")
    parser.add_argument("--trust-root", default="")
    parser.add_argument("--client", default="", help="Windows: the MSAA client program")
    parser.add_argument("cases", nargs="*")
    iwt.ARGS = args = parser.parse_args()
    args.runner = args.runner.split() if args.runner else []
    args.layout_tool_command = args.runner + [args.layout_tool]
    if not os.environ.get("DISPLAY"):
        print("no X display: set DISPLAY (scripts/run-tests.sh starts Xvfb)")
        return 1
    iwt.CASES = CASES
    args.wine_prefix = iwt.OwnWinePrefix("wine-prefix") if args.runner else None
    try:
        failed = iwt.run_cases(args.cases or list(CASES))
    finally:
        if args.wine_prefix:
            args.wine_prefix.close()
    print("%d passed, %d failed" % (len(args.cases or CASES) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
