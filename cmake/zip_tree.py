#!/usr/bin/env python3
"""Zips listed files of a folder reproducibly: sorted entries, fixed time stamps and modes.

usage: zip_tree.py <folder> <prefix inside the archive> <output.zip> <list file>

The list names one file per line, relative to the folder with forward
slashes; exactly those are zipped (a file the build left behind is not), and a
missing one is an error. The same files always give the same bytes, so the
executables that carry the archive do not change from one build to the next.
"""
import os
import sys
import zipfile

FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def zip_listed(root, prefix, output, list_file):
    with open(list_file, encoding="utf-8") as f:
        names = sorted({line.strip() for line in f if line.strip()})
    temporary = output + ".tmp"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for name in names:
            info = zipfile.ZipInfo((prefix + "/" if prefix else "") + name, FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS, no attributes: nothing host-specific
            info.external_attr = 0
            with open(os.path.join(root, *name.split("/")), "rb") as source:
                archive.writestr(info, source.read())
    os.replace(temporary, output)


def main(argv):
    if len(argv) != 5:
        sys.stderr.write(__doc__)
        return 2
    output = argv[3]
    try:
        zip_listed(argv[1], argv[2].strip("/"), output, argv[4])
    except OSError as error:
        sys.stderr.write("zip_tree.py: %s\n" % error)
        if os.path.exists(output + ".tmp"):
            os.remove(output + ".tmp")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
