#!/usr/bin/env python3
"""Packs a file into the form the setup carries: exactly one zlib stream, without any
framing. A payload program is packed at level 1 (header 78 01); with --text, a text
the wizard shows (its licence) is packed at level 9. Either inflates to the same bytes."""
import sys
import zlib


def main(argv):
    text = len(argv) == 4 and argv[1] == "--text"
    if text:
        argv = argv[:1] + argv[2:]
    if len(argv) != 3:
        sys.stderr.write("usage: pack_payload.py [--text] <input> <output>\n")
        return 2
    with open(argv[1], "rb") as f:
        data = f.read()
    if not text and data[:2] != b"MZ":
        sys.stderr.write(f"{argv[1]}: not a PE file\n")
        return 1
    packed = zlib.compress(data, 9 if text else 1)
    if (not text and packed[:2] != b"\x78\x01") or zlib.decompress(packed) != data:
        sys.stderr.write(f"{argv[1]}: packing did not give the expected zlib stream\n")
        return 1
    with open(argv[2], "wb") as f:
        f.write(packed)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
