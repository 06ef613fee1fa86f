#!/usr/bin/env python3
"""Writes the other system's setup package as far as the installer can tell:
a Windows program (MZ, then "PE\\0\\0" at the offset stored at byte 60) or a
Linux one (a 64-bit ELF header), padded past the 10 MiB a package must have.

usage: make_foreign_package.py pe|elf <output>
"""
import os
import struct
import sys

SIZE = 11 * 1024 * 1024


def header(kind):
    if kind == "pe":
        head = bytearray(128)
        head[0:2] = b"MZ"
        head[60:64] = struct.pack("<I", 64)
        head[64:68] = b"PE\0\0"
        return bytes(head)
    head = bytearray(64)
    head[0:4] = b"\x7fELF"
    head[4] = 2  # 64-bit
    head[5] = 1  # little-endian
    head[6] = 1
    head[32:40] = struct.pack("<Q", 64)  # program header table right after
    return bytes(head)


def main():
    kind, target = sys.argv[1], sys.argv[2]
    data = header(kind)
    partial = target + ".part"
    with open(partial, "wb") as f:
        f.write(data)
        f.write(bytes(SIZE - len(data)))
    os.replace(partial, target)


if __name__ == "__main__":
    main()
