#!/usr/bin/env python3
"""Zips a folder tree reproducibly: sorted entries, fixed time stamps and modes.

usage: zip_tree.py <folder> <prefix inside the archive> <output.zip> [excluded name...]

The same tree always gives the same bytes, so the executables that carry the
archive do not change from one build to the next.
"""
import os
import sys
import zipfile

FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def main(argv):
    if len(argv) < 4:
        sys.stderr.write(__doc__)
        return 2
    root, prefix, output = argv[1], argv[2].strip("/"), argv[3]
    excluded = set(argv[4:])
    entries = []
    for folder, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith(".")]
        for name in files:
            if name.startswith(".") or name in excluded:
                continue
            full = os.path.join(folder, name)
            relative = os.path.relpath(full, root).replace(os.sep, "/")
            entries.append((relative, full))
    entries.sort()
    temporary = output + ".tmp"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for relative, full in entries:
            info = zipfile.ZipInfo((prefix + "/" if prefix else "") + relative, FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS, no attributes: nothing host-specific
            info.external_attr = 0
            with open(full, "rb") as source:
                archive.writestr(info, source.read())
    os.replace(temporary, output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
