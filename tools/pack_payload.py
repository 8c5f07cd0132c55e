#!/usr/bin/env python3
"""Packs a file into the form the setup carries: exactly one zlib stream, without any
framing. The deflate data comes from zopfli, an exhaustive encoder, so the stream is as
small as the format allows; it is framed with the header 78 01 for a payload program and
78 DA for a text the wizard shows (--text, its licence), and zlib's Adler-32 trailer.
zopfli is deterministic, so two builds pack the same bytes."""
import shutil
import subprocess
import sys
import zlib

ITERATIONS = 15


def deflate_exhaustive(path):
    """The raw deflate data zopfli gives for |path|."""
    zopfli = shutil.which("zopfli")
    if zopfli is None:
        raise RuntimeError("zopfli is missing (Debian package zopfli)")
    run = subprocess.run([zopfli, "--deflate", f"--i{ITERATIONS}", "-c", path],
                         stdout=subprocess.PIPE, check=False)
    if run.returncode != 0 or not run.stdout:
        raise RuntimeError(f"zopfli failed on {path} (exit code {run.returncode})")
    return run.stdout


def zlib_stream(header, deflate, data):
    return header + deflate + zlib.adler32(data).to_bytes(4, "big")


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
    try:
        packed = zlib_stream(b"\x78\xda" if text else b"\x78\x01",
                             deflate_exhaustive(argv[1]), data)
    except RuntimeError as e:
        sys.stderr.write(f"{e}\n")
        return 1
    # The stream must inflate to the file, in one piece and with nothing behind it.
    inflater = zlib.decompressobj()
    if inflater.decompress(packed) != data or not inflater.eof or inflater.unused_data:
        sys.stderr.write(f"{argv[1]}: packing did not give the expected zlib stream\n")
        return 1
    with open(argv[2], "wb") as f:
        f.write(packed)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
