#!/usr/bin/env bash
# The README's pictures of the installer's window, taken from real runs: the
# Linux program on its own Xvfb display against the local test server and the
# signed demo package, driven by clicks (xdotool) on the controls that
# `lumacast-layout --geometry` finds in the built theme, each picture captured
# with ImageMagick's `import`.
#
#   scripts/screenshots.sh [--build DIR] [OUTPUT_FOLDER]
#
# DIR defaults to build/linux (configured with the linux preset when it does
# not exist yet); the server listens on that build's ports. OUTPUT_FOLDER
# defaults to docs/screenshots. Writes welcome.png, welcome_customize.png,
# installing.png, installed.png, failed.png and quit_confirmation.png.
# Every run uses fresh HOME and XDG folders in a temporary folder; everything
# started here (Xvfb, the server, the installers) is stopped at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/linux"
if [ "${1:-}" = "--build" ]; then
  [ $# -ge 2 ] || { echo "usage: $0 [--build DIR] [OUTPUT_FOLDER]" >&2; exit 1; }
  build=$(realpath -m "$2")
  shift 2
fi
out=$(realpath -m "${1:-$root/docs/screenshots}")

for tool in Xvfb xdotool import python3; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 2; }
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  (cd "$root" && cmake --preset linux -B "$build" >/dev/null)
fi
cmake --build "$build" -j2 --target lumacast_installer lumacast-layout lumacast_demo_packages >/dev/null
program="$build/app/lumacast-installer"
layout_tool="$build/tools/layout/lumacast-layout"
package="$build/tools/demo/signed/lumacastsetup.exe"
port_of() { sed -n "s/^$1:STRING=.*:\([0-9]*\)$/\1/p" "$build/CMakeCache.txt"; }
report_port=$(port_of LUMACAST_REPORT_HOST); cdn_port=$(port_of LUMACAST_CDN_HOST); web_port=$(port_of LUMACAST_WEB_HOST)

work=$(mktemp -d /tmp/lumacast-shots.XXXXXX)
server="$root/tools/test_server/test_server.py"
xvfb_pid=""
cleanup() {
  python3 "$server" stop --state-dir "$work/server" >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# An own display: Xvfb picks a free number and writes it to the descriptor;
# -noreset keeps it from dropping connections while it resets after its last
# client.
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "screenshots: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 2; }
export DISPLAY=":$(head -n1 "$work/display")"

if ! python3 "$server" start --state-dir "$work/server" --file "$package" \
    --report-port "${report_port:-47801}" --cdn-port "${cdn_port:-47802}" --web-port "${web_port:-47803}" >/dev/null; then
  echo "screenshots: the test server did not start (ports in use?)" >&2
  cat "$work/server/server.log" >&2 2>/dev/null || true
  exit 2
fi

mkdir -p "$out"
PYTHONPATH="$root/tools/xdrive" python3 - "$program" "$layout_tool" "$package" "$work" "$out" "${web_port:-47803}" <<'PY'
import functools, json, os, subprocess, sys, time, urllib.request

import xdrive
from xdrive import screen_pixel as pixel, visible_windows, window_rect as rect_of, xdo

program, layout_tool, package, work, out, web_port = sys.argv[1:7]
WAIT = 90.0  # seconds: a whole download and install of the demo package


def wait_for(what, check, timeout=WAIT):
    try:
        return xdrive.wait_for(what, check, timeout)
    except AssertionError as error:
        raise SystemExit("screenshots: %s" % error)


def control(command):
    request = urllib.request.Request("http://127.0.0.1:%s/__control" % web_port, data=json.dumps(command).encode())
    with urllib.request.build_opener(urllib.request.ProxyHandler({})).open(request, timeout=10) as reply:
        reply.read()


@functools.lru_cache(maxsize=None)
def geometry(layout, page=None):
    pages = ["--hide", "welcompage", "--show", page] if page else []
    text = subprocess.run([layout_tool, "--scale", "100"] + pages + ["--geometry", "-", layout],
                          capture_output=True, text=True, timeout=120).stdout
    data = json.loads(text[text.index("{"):])
    return (data["window"]["width"], data["window"]["height"]), {c["name"]: c for c in data["controls"]}, \
        data["controls"][0]["x"]  # the shadow around the layout's root




def pointer_away():
    # Off the window, so no button shows its hover look. Without --sync: when
    # the pointer is already there, xdotool would wait for a move that never comes.
    xdo("mousemove", 1, 1)
    time.sleep(0.1)


def shoot(name, x, y, w, h):
    pointer_away()
    time.sleep(0.7)  # any hover fade finished
    path = os.path.join(out, name + ".png")
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                    "-strip", path], check=True, timeout=30)
    print("screenshots: " + path)


class Installer:
    def __init__(self, case):
        self.work = os.path.join(work, case)
        env = dict(os.environ)
        for sub in ("home", "config", "data", "run", "tmp", "bin"):
            os.makedirs(os.path.join(self.work, sub))
        browser = os.path.join(self.work, "bin", "xdg-open")  # no real browser opens
        with open(browser, "w") as f:
            f.write("#!/bin/sh\nexit 0\n")
        os.chmod(browser, 0o755)
        env.update(HOME=os.path.join(self.work, "home"), XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                   XDG_DATA_HOME=os.path.join(self.work, "data"), XDG_RUNTIME_DIR=os.path.join(self.work, "run"),
                   TMPDIR=os.path.join(self.work, "tmp"),
                   PATH=os.path.join(self.work, "bin") + os.pathsep + env.get("PATH", ""))
        for name in ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
            env.pop(name, None)
        self.proc = subprocess.Popen([program], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        self.window = wait_for("the installer's window", self.find_window)
        wait_for("the window at its size", lambda: self.rect()[2] > 0)
        self.button_blue = wait_for("the window painted", lambda: self.button_colour("btn_startinstall"), 30)

    def find_window(self):
        ids = visible_windows("^LumaCast Setup$")
        return ids[-1] if ids else None

    def rect(self):
        return rect_of(self.window)

    def point(self, name, page=None, inset=None):
        """The centre of a control on screen, or the point `inset` pixels into its left edge."""
        (width, _), controls, _pad = geometry("basic/basic.xml", page)
        x, y, w, _h = self.rect()
        offset = (width - w) // 2  # the shadow, when the window has none on plain X11
        c = controls[name]
        dx = inset if inset is not None else c["width"] // 2
        return x + c["x"] - offset + dx, y + c["y"] - offset + c["height"] // 2

    def button_colour(self, name, page=None):
        # Beside the text, where only the button's face shows.
        return pixel(*self.point(name, page, inset=12))

    def click(self, name, page=None):
        px, py = self.point(name, page)
        xdo("mousemove", "--sync", px, py)
        time.sleep(0.15)
        xdo("click", 1)
        pointer_away()

    def shoot(self, name):
        shoot(name, *self.rect())

    def other_window(self):
        (width, _), _controls, pad = geometry("msgbox/msgbox.xml")
        for window in visible_windows(".*"):
            # The box with its shadow (layered windows) or without (plain X11).
            if window != self.window and rect_of(window)[2] in (width, width - 2 * pad):
                return window
        return None

    def end(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait(30)


def reset(**defaults):
    control({"cmd": "reset", "file": os.path.abspath(package)})
    for endpoint, item in defaults.items():
        control({"cmd": "default", "endpoint": endpoint, "item": item})


# Welcome, the customize bar, then an install slow enough to watch.
reset(package={"action": "throttle", "rate": 1500000}, cdn={"action": "throttle", "rate": 1500000})
app = Installer("install")
try:
    app.shoot("welcome")
    w, h = app.rect()[2:]
    app.click("btn_customize")
    wait_for("the customize bar", lambda: app.rect()[3] > h, 20)
    app.shoot("welcome_customize")
    app.click("btn_expand")
    wait_for("the customize bar closed", lambda: app.rect()[3] == h, 20)
    app.click("btn_startinstall")
    wait_for("the installing page", lambda: app.button_colour("btn_startinstall") != app.button_blue, 20)
    time.sleep(3)  # the bar well on its way
    app.shoot("installing")
    wait_for("the installed page", lambda: app.button_colour("btn_startapp", "installedpage") == app.button_blue)
    app.shoot("installed")
finally:
    app.end()

# A download the server refuses every time.
reset(package={"action": "status", "status": 500}, cdn={"action": "status", "status": 500})
app = Installer("failed")
try:
    app.click("btn_startinstall")
    wait_for("the failure page", lambda: app.button_colour("btn_redownload", "installfaildpage") == app.button_blue)
    app.shoot("failed")
finally:
    app.end()

# The quit question over the welcome page.
reset()
app = Installer("quit")
try:
    app.click("btn_exit")
    box = wait_for("the question box", app.other_window, 30)
    time.sleep(0.5)
    (ax, ay, aw, ah), (bx, by, bw, bh) = app.rect(), rect_of(box)
    x, y = min(ax, bx), min(ay, by)
    shoot("quit_confirmation", x, y, max(ax + aw, bx + bw) - x, max(ay + ah, by + bh) - y)
finally:
    app.end()
PY
