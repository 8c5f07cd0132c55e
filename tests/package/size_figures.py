#!/usr/bin/python3
"""Prints the size figures of a built sorvane_setup.exe: the whole file, the setup's own
part (the file less its payloads) and, for each of the six payloads, its size raw and as
packed, beside what zlib level 9 and zopfli give for the same program.

usage: /usr/bin/python3 size_figures.py <sorvane_setup.exe>"""
import os
import sys
import tempfile
import zlib

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import pack_payload  # noqa: E402

RT_RCDATA = 10
PAYLOAD_NAMES = {101: "tessen.exe", 102: "harlock.exe", 103: "_marrow.exe",
                 104: "sporder.dll", 105: "_pellin.dll", 106: "Uninstall.exe"}


def packed_payloads(path):
    """{resource id: packed bytes} of the six payloads."""
    pe = pefile.PE(path)
    found = {}
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if rtype.id != RT_RCDATA:
            continue
        for name in rtype.directory.entries:
            if name.id in PAYLOAD_NAMES:
                entry = name.directory.entries[0].data.struct
                found[name.id] = pe.get_data(entry.OffsetToData, entry.Size)
    return found


def zopfli_size(data):
    """The length of the zlib stream that zopfli's deflate data gives for |data|."""
    with tempfile.NamedTemporaryFile() as f:
        f.write(data)
        f.flush()
        return len(pack_payload.deflate_exhaustive(f.name)) + 6


def payload_figures(path):
    """[(id, name, raw, packed, zlib -9, zopfli)] for the six payloads."""
    rows = []
    for rid, packed in sorted(packed_payloads(path).items()):
        raw = zlib.decompress(packed)
        rows.append((rid, PAYLOAD_NAMES[rid], len(raw), len(packed),
                     len(zlib.compress(raw, 9)), zopfli_size(raw)))
    return rows


def kib(n):
    return f"{n / 1024:.1f} KiB"


def print_figures(path, rows):
    size = os.path.getsize(path)
    packed = sum(r[3] for r in rows)
    print(f"size: {os.path.basename(path)} {kib(size)} ({size} bytes): "
          f"setup's own {kib(size - packed)} + payloads packed {kib(packed)}")
    print(f"size: {'payload':<14}{'raw':>10}{'packed':>10}{'zlib -9':>10}{'zopfli':>10}")
    for _, name, *sizes in rows:
        print(f"size: {name:<14}" + "".join(f"{n:>10}" for n in sizes))
    totals = [sum(r[i] for r in rows) for i in range(2, 6)]
    print(f"size: {'six payloads':<14}" + "".join(f"{n:>10}" for n in totals)
          + f"  (raw {kib(totals[0])}, packed {kib(totals[1])})")


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__.rsplit("\n", 1)[-1] + "\n")
        return 2
    print_figures(argv[1], payload_figures(argv[1]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
