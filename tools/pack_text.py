#!/usr/bin/env python3
"""Packs a text the setup carries (its licence) as exactly one zlib stream at level
9, without any framing; the wizard inflates it back to the same bytes."""
import sys
import zlib


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: pack_text.py <input> <output>\n")
        return 2
    with open(argv[1], "rb") as f:
        data = f.read()
    packed = zlib.compress(data, 9)
    if zlib.decompress(packed) != data:
        sys.stderr.write(f"{argv[1]}: packing did not give back the same bytes\n")
        return 1
    with open(argv[2], "wb") as f:
        f.write(packed)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
