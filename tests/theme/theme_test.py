#!/usr/bin/env python3
"""Checks the assembled theme tree: every image a layout names exists in each
scale-class folder at the class's size, and (with lumacast-layout) every layout
builds at its class's scale, holds every control the program looks up, and
has the window size the program expects.

usage: theme_test.py <theme tree> [<lumacast-layout>]
"""
import json
import os
import re
import struct
import subprocess
import sys
import tempfile

CLASSES = {"default": 100, "default-hdpi": 125, "default-xhdpi": 150}

# Control names the program finds by name, per layout.
NAMES = {
    "basic/basic.xml": [
        "bkimage1", "bkimage2", "titlebar", "btn_exit", "client", "welcompage", "appnameLable_welcom",
        "btn_startinstall", "bottombar", "checkbox_agreement", "btn_useragreement", "btn_customize",
        "btn_expand", "customizebar", "edit_installdir", "btn_changeinstallpath", "installpage",
        "appnameLable_install", "progress_install", "progress_install_value", "downloadAlert",
        "btn_downloadOfflinePackage", "installedpage", "btn_startapp", "installfaildpage",
        "download_failed_msg", "btn_redownload", "btn_reinstall"],
    "msgbox/msgbox.xml": ["title", "content", "btn_yes", "btn_no", "closebtn"],
}
# Images set by code or by the toolkit's defaults rather than by a layout.
FROM_CODE = {"basic/icon_up.png", "public/bk/bk_shadow.png"}
# Art drawn for one control size must fill that control pixel for pixel.
FIXED = {"basic/bkg_top.png": (600, 256), "basic/logo.png": (80, 80), "basic/icon_down.png": (16, 16), "basic/icon_up.png": (16, 16),
         "public/button/btn_blue_240x52_normal.png": (240, 52), "public/checkbox/check_on_normal.png": (16, 16)}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def scaled(value, scale):
    return (value * scale + 50) // 100


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n", "%s is not a PNG" % path)
    return struct.unpack(">II", head[16:24])


def referenced_images(folder):
    """Paths (relative to the class folder) of the images the layouts name."""
    found = set(FROM_CODE)
    for layout in ("global.xml", "basic/basic.xml", "msgbox/msgbox.xml", "shadow/shadow.xml"):
        with open(os.path.join(folder, layout), encoding="utf-8") as f:
            text = f.read().replace("&quot;", '"')
        # Images are relative to the window's folder; global.xml's classes
        # serve windows in basic/ and msgbox/, which share "../public".
        base = os.path.dirname(layout) or "basic"
        names = re.findall(r"(?:file|res)='([^']+)'", text)
        names += re.findall(r'(?:bkimage|normalimage|hotimage)="([^"\'=]+\.png)"', text)
        for name in names:
            found.add(os.path.normpath(os.path.join(base, name)).replace(os.sep, "/"))
    return found


def check_images(tree):
    for folder, scale in CLASSES.items():
        root = os.path.join(tree, "themes", folder)
        for image in sorted(referenced_images(root)):
            path = os.path.join(root, image)
            if not os.path.isfile(path):
                failures.append("%s: %s is named by a layout but missing" % (folder, image))
                continue
            size = png_size(path)
            if image in FIXED:
                want = tuple(scaled(v, scale) for v in FIXED[image])
                check(size == want, "%s: %s is %dx%d, not %dx%d" % ((folder, image) + size + want))


def check_layouts(tree, tool):
    with tempfile.TemporaryDirectory() as work:
        for folder, scale in CLASSES.items():
            theme = os.path.join(tree, "themes", folder)
            for layout, names in NAMES.items():
                out = os.path.join(work, "g.json")
                run = subprocess.run([tool, "--theme", theme, "--scale", str(scale), "--geometry", out, layout],
                                     capture_output=True, text=True, timeout=60)
                if run.returncode != 0:
                    failures.append("%s %s: lumacast-layout says %s" % (folder, layout, run.stderr.strip()))
                    continue
                with open(out, encoding="utf-8") as f:
                    geometry = json.load(f)
                present = {c["name"] for c in geometry["controls"]}
                for name in names:
                    check(name in present, "%s %s: no control \"%s\"" % (folder, layout, name))
                if layout == "basic/basic.xml":
                    shadow = 2 * scaled(14, scale)
                    window = geometry["window"]
                    want = (scaled(600, scale) + shadow, scaled(400, scale) + shadow)
                    check((window["width"], window["height"]) == want,
                          "%s: main window %dx%d, not %dx%d" % ((folder, window["width"], window["height"]) + want))


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write(__doc__)
        return 2
    check_images(argv[1])
    if len(argv) == 3:
        check_layouts(argv[1], argv[2])
    for failure in failures:
        print("FAIL:", failure)
    print("theme_test: %d problem(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
