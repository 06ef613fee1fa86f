#!/usr/bin/env python3
"""Copies a signed file with one byte flipped in the middle, inside the signed
range, so the signature no longer matches while size and headers stay valid.

usage: alter_bytes.py <input> <output>
"""
import os
import sys


def main():
    source, target = sys.argv[1:3]
    with open(source, "rb") as f:
        data = bytearray(f.read())
    data[len(data) // 2] ^= 0x5A
    partial = target + ".part"
    with open(partial, "wb") as f:
        f.write(data)
    os.chmod(partial, 0o755)
    os.replace(partial, target)


if __name__ == "__main__":
    main()
