#!/usr/bin/env python3
"""Zips a folder tree reproducibly: sorted entries, fixed time stamps and modes.

usage: zip_tree.py <folder> <prefix inside the archive> <output.zip> [excluded name...]
       zip_tree.py <folder> <prefix inside the archive> <output.zip> --only <list file>

The same tree always gives the same bytes, so the executables that carry the
archive do not change from one build to the next. With --only, exactly the
files named in the list (one path relative to the folder per line) are
zipped, and a missing one is an error.
"""
import os
import sys
import zipfile

FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def walk(root, excluded):
    entries = []
    for folder, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith(".")]
        for name in files:
            if name.startswith(".") or name in excluded:
                continue
            full = os.path.join(folder, name)
            entries.append((os.path.relpath(full, root).replace(os.sep, "/"), full))
    return entries


def listed(root, list_file):
    with open(list_file, encoding="utf-8") as f:
        names = [line.strip() for line in f if line.strip()]
    return [(name, os.path.join(root, *name.split("/"))) for name in names]


def main(argv):
    if len(argv) < 4 or (len(argv) > 4 and argv[4] == "--only" and len(argv) != 6):
        sys.stderr.write(__doc__)
        return 2
    root, prefix, output = argv[1], argv[2].strip("/"), argv[3]
    if len(argv) == 6 and argv[4] == "--only":
        entries = listed(root, argv[5])
    else:
        entries = walk(root, set(argv[4:]))
    entries.sort()
    temporary = output + ".tmp"
    try:
        with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
            for relative, full in entries:
                info = zipfile.ZipInfo((prefix + "/" if prefix else "") + relative, FIXED_TIME)
                info.compress_type = zipfile.ZIP_DEFLATED
                info.create_system = 0  # MS-DOS, no attributes: nothing host-specific
                info.external_attr = 0
                with open(full, "rb") as source:
                    archive.writestr(info, source.read())
    except OSError as error:
        sys.stderr.write("zip_tree.py: %s\n" % error)
        if os.path.exists(temporary):
            os.remove(temporary)
        return 1
    os.replace(temporary, output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
