#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own.

Layers, bottom up: config, base, platform, report, ui, app. A file may include
headers of its own layer and of the layers below it; tests and tools are not
checked. Portable files (no platform suffix) must not include <windows.h>.
"""
import pathlib
import re
import sys

LAYERS = ["config", "base", "platform", "report", "ui", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]', re.M)
PLATFORM_SUFFIX = re.compile(r"_(win|linux|x11)\.(cc|h)$")


def main(root):
    root = pathlib.Path(root)
    problems = []
    for layer in LAYERS:
        rank = LAYERS.index(layer)
        for path in sorted((root / layer).rglob("*")):
            if path.suffix not in (".cc", ".h", ".in"):
                continue
            text = path.read_text(encoding="utf-8", errors="replace")
            for target in INCLUDE.findall(text):
                top = target.split("/")[0]
                if top in LAYERS and LAYERS.index(top) > rank:
                    problems.append(f"{path.relative_to(root)}: includes {target} from above")
                if target.lower() == "windows.h" and not PLATFORM_SUFFIX.search(path.name):
                    problems.append(f"{path.relative_to(root)}: portable file includes <windows.h>")
    for p in problems:
        print(p)
    print(f"{len(problems)} upward or platform includes")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
