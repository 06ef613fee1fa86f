#!/usr/bin/env python3
"""lumacast-layout from the outside: exit status and messages of a broken
layout (nothing written), geometry of the test theme's layouts including
--show/--hide, and golden pictures per platform with a small tolerance.

usage: layout_tool_test.py PLATFORM THEME_DIR OUT_DIR [EMULATOR...] TOOL
Set LUMACAST_UPDATE_GOLDEN=1 to (re)write the golden pictures."""
import json, os, struct, subprocess, sys, zlib

platform, theme, out_dir = sys.argv[1], sys.argv[2], sys.argv[3]
command = sys.argv[4:]
golden_dir = os.path.join(theme, "golden", platform)
os.makedirs(out_dir, exist_ok=True)
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def run(*args):
    p = subprocess.run(command + ["--theme", theme] + list(args), capture_output=True, timeout=120)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def geometry(layout, *extra):
    rc, out, err = run("--geometry", "-", *extra, layout)
    check(rc == 0, f"{layout}: exit {rc}: {err}")
    data = json.loads(out) if rc == 0 else {"window": {}, "controls": []}
    return data["window"], {c["name"]: c for c in data["controls"] if c["name"]}, data["controls"]


def rect(c):
    return (c["x"], c["y"], c["width"], c["height"])


def read_png(path):
    data = open(path, "rb").read()
    pos, chunks = 8, {}
    idat = b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, color = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    assert depth == 8 and color == 6, "expects 8-bit RGBA"
    raw, stride = zlib.decompress(idat), width * 4
    rows, prev, i = [], bytearray(stride), 0
    for _ in range(height):
        f, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - 4] if x >= 4 else 0
            b = prev[x]
            c = prev[x - 4] if x >= 4 else 0
            if f == 1: line[x] = (line[x] + a) & 255
            elif f == 2: line[x] = (line[x] + b) & 255
            elif f == 3: line[x] = (line[x] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, b"".join(rows)


# A broken layout: status 2, the parser's message and location, nothing written.
png, geo = os.path.join(out_dir, "broken.png"), os.path.join(out_dir, "broken.json")
for stale in (png, geo):
    if os.path.exists(stale):
        os.remove(stale)
rc, out, err = run("--png", png, "--geometry", geo, "layouts/broken.xml")
check(rc == 2, f"broken layout: exit {rc}")
check('layouts/broken.xml: Unmatched closing tag at "</HBox>' in err, f"broken layout: stderr {err!r}")
check(not os.path.exists(png) and not os.path.exists(geo), "broken layout: files were written")
rc, out, err = run("layouts/self_include.xml")
check(rc == 2 and "Layout includes itself" in err, f"self include: {rc} {err!r}")
rc, out, err = run("--hide", "no_such_control", "layouts/boxes.xml")
check(rc == 2 and "no_such_control" in err, f"unknown --hide name: {rc} {err!r}")

# Hostile themes end with status 2 and a message naming the fault, in time:
# classes that name themselves (directly, in turn, through global.xml or an
# applyattribute list) and includes that fan out.
hostile = os.path.join(out_dir, "hostile")
os.makedirs(hostile, exist_ok=True)
CLASS = '<Class name="%s" value="class=&quot;%s&quot; width=&quot;5&quot;"/>'
hostile_layouts = {
    "self.xml": ('<Window size="50,50">' + CLASS % ("loop", "loop") +
                 '<VBox><Control class="loop"/></VBox></Window>', 'Class "loop" names itself'),
    "mutual.xml": ('<Window size="50,50">' + CLASS % ("ping", "pong") + CLASS % ("pong", "ping") +
                   '<VBox><Control class="ping"/></VBox></Window>', 'Class "ping" names itself'),
    "event.xml": ('<Window size="50,50">' + CLASS % ("echo", "echo") + '<VBox name="v"><Event type="buttondown" '
                  'receiver="v" applyattribute="class=&quot;echo&quot;"/></VBox></Window>', 'Class "echo" names itself'),
    "fanout.xml": ('<Window size="50,50"><VBox><Include source="f1.xml" count="100"/></VBox></Window>',
                   "Too many included layouts"),
}
for level in range(1, 4):
    hostile_layouts[f"f{level}.xml"] = (f'<Window><Include source="f{level + 1}.xml" count="100"/></Window>', None)
hostile_layouts["f4.xml"] = ("<Window><Box/></Window>", None)
for name, (text, _) in hostile_layouts.items():
    open(os.path.join(hostile, name), "w").write(text)
open(os.path.join(hostile, "global.xml"), "w").write("<Global/>")


def run_hostile(theme_dir, layout):
    p = subprocess.run(command + ["--theme", theme_dir, "--geometry", "-", layout], capture_output=True, timeout=60)
    return p.returncode, p.stderr.decode("utf-8", "replace")


for name, (_, message) in hostile_layouts.items():
    if message:
        rc, err = run_hostile(hostile, name)
        check(rc == 2 and message in err, f"hostile {name}: exit {rc}, stderr {err!r}")
hostile_global = os.path.join(out_dir, "hostile_global")
os.makedirs(hostile_global, exist_ok=True)
open(os.path.join(hostile_global, "global.xml"), "w").write("<Global>" + CLASS % ("g1", "g2") + CLASS % ("g2", "g1") +
                                                             "</Global>")
open(os.path.join(hostile_global, "page.xml"), "w").write('<Window size="9,9"><VBox class="g2"/></Window>')
rc, err = run_hostile(hostile_global, "page.xml")
check(rc == 2 and 'global.xml: Class "g1" names itself' in err, f"hostile global.xml: exit {rc}, stderr {err!r}")

# Geometry of the row and column cases.
window, c, controls = geometry("layouts/boxes.xml")
check(window == {"width": 600, "height": 400}, f"window {window}")
check(controls[0]["parent"] == -1 and all(x["parent"] < i for i, x in enumerate(controls)), "parent order")
expect = {
    "s1": (0, 0, 285, 40), "s2": (285, 0, 285, 40), "fixed24": (576, 0, 24, 0),
    "r1": (0, 40, 51, 20), "r2": (51, 40, 50, 20),
    "c1": (0, 60, 80, 30), "c2": (90, 60, 80, 30), "c3": (180, 60, 80, 30), "floater": (300, 65, 20, 20),
    "v_center": (0, 107, 30, 6), "v_bottom": (30, 124, 30, 6),
    "auto_column": (0, 130, 100, 41), "a1": (2, 134, 94, 10), "a2": (2, 146, 94, 20),
    "centered": (280, 191, 40, 20), "corner": (590, 221, 10, 10), "bottom_fill": (0, 231, 600, 169),
}
for name, r in expect.items():
    check(name in c and rect(c[name]) == r, f"boxes {name}: {c.get(name) and rect(c[name])} != {r}")
check(c["hidden"]["visible"] is False, "hidden control reported visible")

# --show / --hide change the arrangement before layout.
window, c, _ = geometry("layouts/boxes.xml", "--hide", "row_share", "--show", "hidden")
check(rect(c["r1"]) == (0, 0, 51, 20), f"--hide: r1 {rect(c['r1'])}")
check(c["hidden"]["visible"] and rect(c["hidden"])[3] == 30, "--show: hidden control not shown")

# Shadow: the window grows by the shadow corner, the root sits inside it.
window, c, _ = geometry("layouts/shadow.xml")
check(window == {"width": 220, "height": 120} and rect(c["root"]) == (10, 10, 200, 100), f"shadow {window}")

# Scale 150: layout numbers are scaled.
window, c, _ = geometry("layouts/boxes.xml", "--scale", "150")
check(window == {"width": 900, "height": 600} and rect(c["c2"]) == (135, 90, 120, 45), f"150 %: {rect(c['c2'])}")

# Golden pictures (text differs between systems: one set per platform).
update = os.environ.get("LUMACAST_UPDATE_GOLDEN") == "1"
for layout in ("boxes", "controls", "shadow"):
    picture = os.path.join(out_dir, layout + ".png")
    rc, out, err = run("--png", picture, f"layouts/{layout}.xml")
    check(rc == 0, f"{layout}.png: exit {rc} {err}")
    if rc != 0:
        continue
    golden = os.path.join(golden_dir, layout + ".png")
    if update:
        os.makedirs(golden_dir, exist_ok=True)
        open(golden, "wb").write(open(picture, "rb").read())
        continue
    if not os.path.exists(golden):
        failures.append(f"no golden picture {golden} (LUMACAST_UPDATE_GOLDEN=1 writes it)")
        continue
    w1, h1, a = read_png(picture)
    w2, h2, b = read_png(golden)
    if (w1, h1) != (w2, h2):
        failures.append(f"{layout}: size {w1}x{h1}, golden {w2}x{h2}")
        continue
    off = sum(1 for i in range(0, len(a), 4) if max(abs(a[i + k] - b[i + k]) for k in range(4)) > 24)
    check(off <= w1 * h1 // 200, f"{layout}: {off} pixels differ from the golden picture")

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
