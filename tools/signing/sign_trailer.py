#!/usr/bin/env python3
"""Appends the LumaCast signature trailer to a Linux setup package.

Layout of the result: [input bytes][64-byte Ed25519 signature of the input
bytes][16-byte magic b"LUMACAST-SIG-V1\\0"].

usage: sign_trailer.py <openssl> <private-key.pem> <input> <output>
"""
import os
import subprocess
import sys
import tempfile

MAGIC = b"LUMACAST-SIG-V1\0"


def main():
    openssl, key, source, target = sys.argv[1:5]
    with tempfile.TemporaryDirectory() as work:
        signature_file = os.path.join(work, "sig")
        subprocess.run([openssl, "pkeyutl", "-sign", "-rawin", "-inkey", key,
                        "-in", source, "-out", signature_file], check=True)
        with open(signature_file, "rb") as f:
            signature = f.read()
    if len(signature) != 64:
        sys.exit("unexpected signature length %d" % len(signature))
    with open(source, "rb") as f:
        content = f.read()
    partial = target + ".part"
    with open(partial, "wb") as f:
        f.write(content + signature + MAGIC)
    os.chmod(partial, 0o755)
    os.replace(partial, target)


if __name__ == "__main__":
    main()
