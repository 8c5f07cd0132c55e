#!/usr/bin/python3
"""Checks the built payloads as files: each is a PE image of the build's
architecture, imports only DLLs that every Windows has, carries no link
timestamp, and the two libraries export what Winsock looks for.

usage: check_payload_pe.py <build folder>...   (e.g. build/win32 build/win64)
Prints one PASS/FAIL line per check and "N passed, N failed"."""
import os
import sys

import pefile

PAYLOADS = ["tessen.exe", "harlock.exe", "_marrow.exe", "sporder.dll", "_pellin.dll", "Uninstall.exe"]
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ws2_32.dll",
    "msvcrt.dll", "ole32.dll", "comctl32.dll", "shlwapi.dll",
}
MACHINES = {
    pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]: ("i386", 0x10B),
    pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]: ("amd64", 0x20B),
}
EXPECTED_EXPORTS = {
    "sporder.dll": {"WSCWriteProviderOrder": "ws2_32.WSCWriteProviderOrder"},
    "_pellin.dll": {"WSPStartup": None},
}


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, ok, detail=""):
        print(f"{'PASS' if ok else 'FAIL'} {name}" + (f" ({detail})" if detail and not ok else ""))
        if ok:
            self.passed += 1
        else:
            self.failed += 1


def expected_arch(build):
    """The toolchain the build folder was configured with decides; its name else."""
    try:
        with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as f:
            for line in f:
                if line.startswith("CMAKE_TOOLCHAIN_FILE:"):
                    return "i386" if "i686" in line else "amd64"
    except OSError:
        pass
    return "i386" if os.path.basename(os.path.normpath(build)).endswith("32") else "amd64"


def check_file(checks, build, name):
    path = os.path.join(build, "payloads", "bin", name)
    label = f"{os.path.basename(os.path.normpath(build))}/{name}"
    if not os.path.isfile(path):
        checks.check(f"{label} exists", False, path)
        return
    with open(path, "rb") as f:
        checks.check(f"{label} begins with MZ", f.read(2) == b"MZ")
    pe = pefile.PE(path)
    arch, magic = MACHINES.get(pe.FILE_HEADER.Machine, ("unknown", 0))
    want = expected_arch(build)
    checks.check(f"{label} is {'PE32' if want == 'i386' else 'PE32+'} {want}",
                 arch == want and pe.OPTIONAL_HEADER.Magic == magic,
                 f"machine {arch}, magic {hex(pe.OPTIONAL_HEADER.Magic)}")
    imports = sorted({e.dll.decode().lower() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])})
    foreign = [d for d in imports if d not in SYSTEM_DLLS]
    checks.check(f"{label} imports only system DLLs", not foreign, ", ".join(foreign))
    checks.check(f"{label} has no link timestamp", pe.FILE_HEADER.TimeDateStamp == 0,
                 str(pe.FILE_HEADER.TimeDateStamp))
    if name in EXPECTED_EXPORTS:
        exports = {}
        if hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
            for sym in pe.DIRECTORY_ENTRY_EXPORT.symbols:
                if sym.name:
                    exports[sym.name.decode()] = sym.forwarder.decode() if sym.forwarder else None
        checks.check(f"{label} exports {', '.join(EXPECTED_EXPORTS[name])}",
                     exports == EXPECTED_EXPORTS[name], repr(exports))


def main(argv):
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    checks = Checks()
    for build in argv[1:]:
        for name in PAYLOADS:
            check_file(checks, build, name)
    print(f"{checks.passed} passed, {checks.failed} failed")
    return 0 if checks.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
