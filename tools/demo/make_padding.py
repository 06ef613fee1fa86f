#!/usr/bin/env python3
"""Writes <size> bytes of seeded pseudo-random data: the bulk of the demo setup
package, so it is as large as a real one and does not compress to nothing.

usage: make_padding.py <output> <size>
"""
import os
import random
import sys


def main():
    target, size = sys.argv[1], int(sys.argv[2])
    data = random.Random(0x4C756D61).randbytes(size)
    partial = target + ".part"
    with open(partial, "wb") as f:
        f.write(data)
    os.replace(partial, target)


if __name__ == "__main__":
    main()
