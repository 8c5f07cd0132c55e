#!/usr/bin/env python3
"""Packs one payload program into the form the setup carries: exactly one zlib
stream at level 1 (header 78 01), without any framing."""
import sys
import zlib


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: pack_payload.py <input> <output>\n")
        return 2
    with open(argv[1], "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        sys.stderr.write(f"{argv[1]}: not a PE file\n")
        return 1
    packed = zlib.compress(data, 1)
    if packed[:2] != b"\x78\x01" or zlib.decompress(packed) != data:
        sys.stderr.write(f"{argv[1]}: packing did not give a level-1 zlib stream\n")
        return 1
    with open(argv[2], "wb") as f:
        f.write(packed)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
