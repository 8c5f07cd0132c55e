#!/usr/bin/python3
"""Inspects a built sorvane_setup.exe: PE header, imports, manifest, version
block, program icon, the packed payloads, the wizard's pictures and its licence.
Prints one PASS/FAIL line per check and a closing "N passed, N failed" line;
exits non-zero on any failure.

usage: /usr/bin/python3 check_package.py <sorvane_setup.exe>"""
import struct
import sys
import xml.etree.ElementTree as ET
import zlib

import pefile

import size_figures

RT_ICON, RT_RCDATA, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 10, 14, 16, 24
LANG_NEUTRAL = 0x0000
LANG_TURKISH = 0x041F  # 1055
I386 = 0x14C

CHECKS = []


def check(name):
    def register(func):
        CHECKS.append((name, func))
        return func
    return register


class Package:
    def __init__(self, path):
        self.pe = pefile.PE(path)
        self.resources = self._read_resources()

    def _read_resources(self):
        """{type: {name: [(language id, bytes), ...]}}; names are ints or strings."""
        found = {}
        root = getattr(self.pe, "DIRECTORY_ENTRY_RESOURCE", None)
        for rtype in root.entries if root else []:
            for name in rtype.directory.entries:
                key = name.id if name.name is None else str(name.name)
                for lang in name.directory.entries:
                    data = self.pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                    found.setdefault(rtype.id, {}).setdefault(key, []).append((lang.id, data))
        return found

    def only(self, rtype, name, language):
        """The data of a resource that must exist in exactly one language."""
        entries = self.resources.get(rtype, {}).get(name)
        if not entries:
            raise LookupError(f"no resource {name!r} of type {rtype}")
        languages = [lang for lang, _ in entries]
        if languages != [language]:
            raise LookupError(f"resource {name!r} has languages {languages}, want [{language}]")
        return entries[0][1]


def differs(what, got, want):
    return [] if got == want else [f"{what} is {got!r}, want {want!r}"]


# --- PE header ---------------------------------------------------------------

@check("machine is i386")
def machine(pkg):
    return differs("machine", hex(pkg.pe.FILE_HEADER.Machine), hex(I386))


@check("optional header is PE32")
def pe32(pkg):
    return differs("magic", hex(pkg.pe.OPTIONAL_HEADER.Magic), "0x10b")


@check("subsystem is GUI")
def gui(pkg):
    return differs("subsystem", pkg.pe.OPTIONAL_HEADER.Subsystem, 2)


@check("file header has no timestamp")
def no_timestamp(pkg):
    return differs("TimeDateStamp", pkg.pe.FILE_HEADER.TimeDateStamp, 0)


# --- imports -----------------------------------------------------------------

# Known system DLLs only. comctl32 and mpr (the network-drive dialog) are absent on
# purpose: the program loads them itself once DLL search is restricted.
ALLOWED_DLLS = {"kernel32", "user32", "gdi32", "advapi32", "shell32", "ole32", "oleaut32",
                "ws2_32", "shlwapi", "msvcrt", "ntdll"}


@check("imports only allowed system DLLs")
def imports(pkg):
    entries = (getattr(pkg.pe, "DIRECTORY_ENTRY_IMPORT", [])
               + getattr(pkg.pe, "DIRECTORY_ENTRY_DELAY_IMPORT", []))
    names = [e.dll.decode("ascii").lower() for e in entries]
    names = [n[:-4] if n.endswith(".dll") else n for n in names]
    return [f"imports {n}.dll" for n in names if n not in ALLOWED_DLLS]


# --- manifest ----------------------------------------------------------------

ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
TRUST_NAMESPACES = ("urn:schemas-microsoft-com:asm.v2", "urn:schemas-microsoft-com:asm.v3")


def manifest_xml(pkg):
    return ET.fromstring(pkg.only(RT_MANIFEST, 1, LANG_NEUTRAL))


def local(tag):
    return tag.rsplit("}", 1)[-1]


def attributes_differ(element, want):
    return [p for key, value in want.items()
            for p in differs(f"{local(element.tag)} {key}", element.get(key), value)]


@check("one manifest, id 1, language neutral")
def one_manifest(pkg):
    manifests = pkg.resources.get(RT_MANIFEST, {})
    found = [(name, lang) for name, entries in manifests.items() for lang, _ in entries]
    return differs("manifests (id, language)", found, [(1, LANG_NEUTRAL)])


@check("manifest identity")
def manifest_identity(pkg):
    root = manifest_xml(pkg)
    if root.tag != f"{{{ASM_V1}}}assembly":
        return [f"root element is {root.tag}"]
    identity = root.find(f"{{{ASM_V1}}}assemblyIdentity")
    description = root.find(f"{{{ASM_V1}}}description")
    if identity is None:
        return ["no assemblyIdentity"]
    problems = attributes_differ(identity, {"type": "win32", "name": "sorvane_setup.exe",
                                            "version": "1.0.0.0", "processorArchitecture": "*"})
    got = None if description is None else description.text
    return problems + differs("description", got, "Sorvane Installer")


@check("manifest asks for Common-Controls 6.0.0.0")
def manifest_common_controls(pkg):
    path = f"{{{ASM_V1}}}dependency/{{{ASM_V1}}}dependentAssembly/{{{ASM_V1}}}assemblyIdentity"
    found = [e for e in manifest_xml(pkg).findall(path)
             if e.get("name") == "Microsoft.Windows.Common-Controls"]
    if len(found) != 1:
        return [f"{len(found)} Common-Controls dependencies"]
    token = (found[0].get("publicKeyToken") or "").lower()
    return (attributes_differ(found[0], {"type": "win32", "version": "6.0.0.0",
                                         "processorArchitecture": "*", "language": "*"})
            + differs("publicKeyToken", token, "6595b64144ccf1df"))


@check("manifest requires administrator")
def manifest_elevation(pkg):
    # The loader ignores trustInfo outside the asm.v2/v3 namespaces.
    found = [e for e in manifest_xml(pkg).iter()
             if local(e.tag) == "requestedExecutionLevel"]
    if len(found) != 1:
        return [f"{len(found)} requestedExecutionLevel elements"]
    level = found[0]
    problems = [] if level.tag.startswith(tuple(f"{{{ns}}}" for ns in TRUST_NAMESPACES)) \
        else [f"requestedExecutionLevel in namespace {level.tag}"]
    return problems + attributes_differ(level, {"level": "requireAdministrator", "uiAccess": "false"})


@check("manifest declares per-monitor DPI awareness, system-aware before Windows 10")
def manifest_dpi(pkg):
    # The loader reads each setting only in its own namespace, inside the asm.v3
    # application element.
    settings = f"{{{TRUST_NAMESPACES[1]}}}application/{{{TRUST_NAMESPACES[1]}}}windowsSettings"
    root = manifest_xml(pkg)
    found = {local(e.tag) + " " + e.tag.split("}")[0][1:]: (e.text or "").strip()
             for w in root.findall(settings) for e in w}
    return (differs("dpiAware", found.get("dpiAware http://schemas.microsoft.com/SMI/2005/WindowsSettings"), "true")
            + differs("dpiAwareness",
                      found.get("dpiAwareness http://schemas.microsoft.com/SMI/2016/WindowsSettings"),
                      "PerMonitorV2"))


# Windows 7, 8, 8.1, and 10 and 11: a program that names none of them is taken for one
# of Vista's time, and the Program Compatibility Assistant steps in after it ran.
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
}
COMPATIBILITY = "urn:schemas-microsoft-com:compatibility.v1"


def supported_os_problems(xml):
    path = f"{{{COMPATIBILITY}}}compatibility/{{{COMPATIBILITY}}}application/{{{COMPATIBILITY}}}supportedOS"
    found = {(e.get("Id") or "").lower() for e in ET.fromstring(xml).findall(path)}
    return differs("supportedOS ids", sorted(found), sorted(SUPPORTED_OS))


@check("manifest names Windows 7 to 11 as supported")
def manifest_supported_os(pkg):
    return supported_os_problems(pkg.only(RT_MANIFEST, 1, LANG_NEUTRAL))


# --- version block -----------------------------------------------------------

VERSION_STRINGS = {
    "FileVersion": "2.2.0.0",
    "ProductVersion": "2.2",
    "FileDescription": "Sorvane Installer",
    "InternalName": "Sorvane Installer",
    "ProductName": "Sorvane Installer",
    "Comments": "Sorvane Installer",
    "OriginalFilename": "sorvane_setup.exe",
    "CompanyName": "Orvik Software",
    "LegalCopyright": "Copyright (C) 2026 Orvik Software",
    "LegalTrademarks": "Sorvane is a trademark of Orvik Software",
}


def version_info(pkg):
    """The string tables by block name and the translation pairs."""
    if RT_VERSION not in pkg.resources:
        raise LookupError("no version resource")
    tables, translations = {}, []
    for info in pkg.pe.FileInfo:
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                tables[table.LangID.decode().upper()] = {
                    k.decode(): v.decode() for k, v in table.entries.items()}
            for var in getattr(entry, "Var", []):
                words = [int(w, 16) for w in var.entry.get(b"Translation", "").split()]
                translations += list(zip(words[::2], words[1::2]))
    return tables, translations


@check("version block fixed part")
def version_fixed(pkg):
    fixed = pkg.pe.VS_FIXEDFILEINFO[0]
    return (differs("FileVersion", (hex(fixed.FileVersionMS), hex(fixed.FileVersionLS)),
                    ("0x20002", "0x0"))
            + differs("ProductVersion", (hex(fixed.ProductVersionMS), hex(fixed.ProductVersionLS)),
                      ("0x20002", "0x0"))
            + differs("FileOS", hex(fixed.FileOS), "0x40004")
            + differs("FileType", fixed.FileType, 1))


@check("version block strings")
def version_strings(pkg):
    tables, _ = version_info(pkg)
    if list(tables) != ["040904E4"]:
        return [f"string tables {sorted(tables)}, want ['040904E4']"]
    table = tables["040904E4"]
    return [p for key, want in VERSION_STRINGS.items() for p in differs(key, table.get(key), want)]


@check("version block translation is 0x0409/1252")
def version_translation(pkg):
    found = [(f"0x{lang:04x}", codepage) for lang, codepage in version_info(pkg)[1]]
    return differs("translations", found, [("0x0409", 1252)])


# --- program icon ------------------------------------------------------------

ICON_FORMATS = sorted((size, bits) for size in (16, 24, 32, 48) for bits in (8, 32))


def icon_group(pkg):
    """(width, height, bits, bytes, id) of each image of MAINICON."""
    data = pkg.only(RT_GROUP_ICON, "MAINICON", LANG_TURKISH)
    reserved, kind, count = struct.unpack_from("<HHH", data)
    if (reserved, kind) != (0, 1) or len(data) != 6 + 14 * count:
        raise ValueError("MAINICON is not an icon group")
    entries = [struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i) for i in range(count)]
    return [(w, h, bits, size, rid) for w, h, _, _, _, bits, size, rid in entries]


def png_problems(image, size):
    """A 32-bit image is a PNG: 8-bit RGBA of the entry's size, one zlib stream of its rows."""
    if image[:8] != b"\x89PNG\r\n\x1a\n":
        return [f"{size}px/32-bit image is not a PNG"]
    chunks, at = {}, 8
    while at + 8 <= len(image):
        length, kind = struct.unpack_from(">I4s", image, at)
        data = image[at + 8:at + 8 + length]
        if struct.unpack_from(">I", image, at + 8 + length)[0] != zlib.crc32(kind + data):
            return [f"{size}px PNG chunk {kind!r} fails its CRC"]
        chunks[kind] = chunks.get(kind, b"") + data
        at += 12 + length
    problems = differs(f"{size}px PNG ends", (at, b"IEND" in chunks), (len(image), True))
    problems += differs(f"{size}px PNG header (width, height, depth, colour type, interlace)",
                        struct.unpack_from(">IIBB2xB", chunks.get(b"IHDR", bytes(13))),
                        (size, size, 8, 6, 0))
    rows = zlib.decompress(chunks.get(b"IDAT", b""))
    return problems + differs(f"{size}px PNG rows length", len(rows), size * (1 + 4 * size))


def image_problems(image, size, bits):
    if bits == 32:
        return png_problems(image, size)
    header = struct.unpack_from("<IiiHHI", image)
    problems = differs(f"{size}px/{bits}-bit header (size, width, height, planes, bits, compression)",
                       header, (40, size, 2 * size, 1, bits, 0))
    colours = struct.unpack_from("<I", image, 32)[0] or 256
    # The palette, the colour image, then the 1-bit AND mask, each row padded to 4 bytes.
    want = 40 + 4 * colours + (size * bits + 31) // 32 * 4 * size + (size + 31) // 32 * 4 * size
    return problems + differs(f"{size}px/{bits}-bit image length", len(image), want)


@check("MAINICON group: language 1055, eight images")
def icon_entries(pkg):
    entries = icon_group(pkg)
    problems = [f"image {rid} is {w}x{h}" for w, h, _, _, rid in entries if w != h]
    return problems + differs("images (size, bits)", sorted((w, b) for w, _, b, _, _ in entries),
                              ICON_FORMATS)


@check("MAINICON images parse")
def icon_images(pkg):
    problems = []
    for w, _, bits, length, rid in icon_group(pkg):
        images = pkg.resources.get(RT_ICON, {}).get(rid)
        if not images:
            problems.append(f"RT_ICON {rid} missing")
            continue
        image = images[0][1]
        problems += differs(f"RT_ICON {rid} length against its group entry", len(image), length)
        problems += image_problems(image, w, bits)
    return problems


# --- payloads ----------------------------------------------------------------

PAYLOAD_IDS = range(101, 107)


def payload_problems(pkg, rid):
    packed = pkg.only(RT_RCDATA, rid, LANG_TURKISH)
    if packed[:2] != b"\x78\x01":
        return [f"starts with {packed[:2].hex(' ')}, want 78 01"]
    stream = zlib.decompressobj()
    program = stream.decompress(packed)
    if not stream.eof:
        return ["zlib stream is cut short"]
    if stream.unused_data:
        return [f"{len(stream.unused_data)} bytes follow the zlib stream"]
    if program[:2] != b"MZ" or len(program) < 0x40:
        return ["inflated data is not an MZ program"]
    pe_offset = struct.unpack_from("<I", program, 0x3C)[0]
    if program[pe_offset:pe_offset + 4] != b"PE\0\0":
        return ["inflated program has no PE header"]
    return differs("inflated machine", hex(struct.unpack_from("<H", program, pe_offset + 4)[0]),
                   hex(I386))


for _rid in PAYLOAD_IDS:
    check(f"payload {_rid}: language 1055, one zlib stream (78 01) of an i386 program")(
        lambda pkg, rid=_rid: payload_problems(pkg, rid))


@check("each payload program's manifest names Windows 7 to 11 as supported")
def payload_supported_os(pkg):
    problems, programs = [], 0
    for rid in PAYLOAD_IDS:
        program = pefile.PE(data=zlib.decompress(pkg.only(RT_RCDATA, rid, LANG_TURKISH)))
        if program.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_DLL"]:
            continue
        programs += 1
        manifests = [e for t in program.DIRECTORY_ENTRY_RESOURCE.entries if t.id == RT_MANIFEST
                     for n in t.directory.entries for e in n.directory.entries]
        if len(manifests) != 1:
            problems.append(f"payload {rid}: {len(manifests)} manifests")
            continue
        data = program.get_data(manifests[0].data.struct.OffsetToData, manifests[0].data.struct.Size)
        problems += [f"payload {rid}: {p}" for p in supported_os_problems(data)]
    return problems + differs("payload programs", programs, 4)


# --- wizard pictures and licence -------------------------------------------------

def gif_frames(data):
    """(screen size, global table size, transparent index, [(frame size, pixels)]) of a
    GIF89a file; each frame's LZW data is decoded to its pixel indices."""
    if data[:6] != b"GIF89a":
        raise ValueError(f"starts with {data[:6]!r}, want GIF89a")
    width, height, flags = struct.unpack_from("<HHB", data, 6)
    pos = 13
    table = 2 << (flags & 7) if flags & 0x80 else 0
    pos += 3 * table
    transparent, frames = None, []

    def sub_blocks(pos):
        out = bytearray()
        while data[pos]:
            out += data[pos + 1:pos + 1 + data[pos]]
            pos += 1 + data[pos]
        return bytes(out), pos + 1

    while data[pos] != 0x3B:
        if data[pos] == 0x21:
            label = data[pos + 1]
            block, pos = sub_blocks(pos + 2)
            if label == 0xF9 and block[0] & 1:
                transparent = block[3]
        elif data[pos] == 0x2C:
            _, _, w, h, local = struct.unpack_from("<HHHHB", data, pos + 1)
            pos += 10 + (3 * (2 << (local & 7)) if local & 0x80 else 0)
            code_size = data[pos]
            block, pos = sub_blocks(pos + 1)
            frames.append(((w, h), lzw_decode(block, code_size)))
        else:
            raise ValueError(f"unknown block 0x{data[pos]:02x} at {pos}")
    return (width, height), table, transparent, frames


def lzw_decode(block, min_size):
    clear = 1 << min_size
    bits = int.from_bytes(block, "little")
    pos, width, table, prev, out = 0, min_size + 1, None, None, []
    while pos + width <= 8 * len(block):
        code = (bits >> pos) & ((1 << width) - 1)
        pos += width
        if code == clear:
            table = [[i] for i in range(clear)] + [None, None]
            width, prev = min_size + 1, None
            continue
        if code == clear + 1:
            return out
        if prev is None:
            entry = table[code]
        else:
            entry = table[code] if code < len(table) else table[prev] + table[prev][:1]
            if len(table) < 4096:
                table.append(table[prev] + entry[:1])
                if len(table) == 1 << width and width < 12:
                    width += 1
        out += entry
        prev = code
    raise ValueError("LZW data ends without an end code")


def picture_problems(pkg, rid, size, transparent):
    screen, table, found_transparent, frames = gif_frames(pkg.only(RT_RCDATA, rid, LANG_TURKISH))
    problems = differs("screen size", screen, size) + differs("colour table", table, 256)
    problems += differs("frame sizes", [f[0] for f in frames], [size])
    if frames:
        pixels = frames[0][1]
        problems += differs("decoded pixels", len(pixels), size[0] * size[1])
        shown = len([p for p in pixels if p != found_transparent])
        if transparent:
            if found_transparent is None or not 0 < shown < len(pixels):
                problems.append(f"transparent index {found_transparent}, {shown} pixels shown")
        else:
            problems += differs("transparent index", found_transparent, None)
    return problems


@check("welcome picture 201: language 1055, GIF 165x315, 256 colours, one frame")
def welcome_picture(pkg):
    return picture_problems(pkg, 201, (165, 315), transparent=False)


@check("logo picture 202: language 1055, GIF 110x132, 256 colours, one frame, transparent")
def logo_picture(pkg):
    return picture_problems(pkg, 202, (110, 132), transparent=True)


@check("pictures at twice the size 204, 205: GIF 330x630, and 220x264 transparent")
def pictures_2x(pkg):
    return (picture_problems(pkg, 204, (330, 630), transparent=False)
            + picture_problems(pkg, 205, (220, 264), transparent=True))


@check("licence 203: language 1055, one zlib stream of UTF-8 Turkish text with CR LF lines")
def licence_text(pkg):
    stream = zlib.decompressobj()
    data = stream.decompress(pkg.only(RT_RCDATA, 203, LANG_TURKISH))
    if not stream.eof or stream.unused_data:
        return ["not exactly one whole zlib stream"]
    text = data.decode("utf-8")  # a decoding error fails the check
    problems = [] if not text.startswith("\ufeff") else ["starts with a byte-order mark"]
    # Letters outside Latin-1 show that the text was not stored in a Western code page.
    problems += [f"no letter {c}" for c in "çğıİöşüÇĞÖŞÜ" if c not in text]
    if text.count("\n") != text.count("\r\n") or text.count("\r") != text.count("\r\n"):
        problems.append("line ends other than CR LF")
    lines = text.split("\r\n")
    if not 120 <= len(lines) <= 170 or "sorvane" not in lines[0].lower():
        problems.append(f"{len(lines)} lines, first line {lines[0]!r}")
    return problems


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__.rsplit("\n", 1)[-1] + "\n")
        return 2
    try:
        pkg = Package(argv[1])
    except (OSError, pefile.PEFormatError) as e:
        print(f"FAIL {argv[1]} is a PE file: {e}")
        print("0 passed, 1 failed")
        return 1
    try:
        figures = size_figures.payload_figures(argv[1])
        size_figures.print_figures(argv[1], figures)
    except Exception as e:  # no figures is a failure of the check below, not a crash
        figures = e

    @check("each payload packed within 1 % of zopfli's own stream for it")
    def near_zopfli(_pkg):
        if isinstance(figures, Exception):
            return [f"{type(figures).__name__}: {figures}"]
        return [f"{name}: {packed} bytes against {best}" for _, name, _, packed, _, best in figures
                if packed > best * 1.01]

    passed = failed = 0
    for name, func in CHECKS:
        try:
            problems = func(pkg)
        except Exception as e:  # a missing or malformed part fails its check only
            problems = [f"{type(e).__name__}: {e}"]
        if problems:
            failed += 1
            print(f"FAIL {name}: " + "; ".join(problems))
        else:
            passed += 1
            print(f"PASS {name}")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
