#!/usr/bin/env python3
"""Reads a Windows program's resources back as Explorer and the shell see
them, and checks them: every dialog in Japanese (0x411); version information
with a Japanese string block (041104B0) holding the product's strings; at
least ICONS icon groups, each with 16, 32 and 48 pixel images.

Usage: check_resources.py EXE DESCRIPTION ICONS
Prints one line per finding; exits 1 when anything is missing or wrong.
"""
import os
import struct
import sys

RT_ICON_GROUP, RT_DIALOG, RT_VERSION = 14, 5, 16
PRODUCT = "タヴリン　ドラマＣＤ１　デジタルコンテンツ"


def resources(data):
    """{type: [(name, language, bytes)]} from the PE's resource section."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size
    spans = []
    for i in range(sections):
        vsize, va, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        spans.append((va, max(vsize, raw_size), raw))

    def offset(rva):
        for va, size, raw in spans:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError("RVA %#x lies in no section" % rva)

    base = offset(rsrc_rva)

    def entries(at):
        named, ids = struct.unpack_from("<HH", data, base + at + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + at + 16 + 8 * i)
            yield name & 0x7FFFFFFF, bool(name & 0x80000000), target & 0x7FFFFFFF, bool(target & 0x80000000)

    found = {}
    for rtype, _, types_at, _ in entries(0):
        for name, _, names_at, _ in entries(types_at):
            for language, _, leaf, _ in entries(names_at):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                found.setdefault(rtype, []).append((name, language, data[offset(rva):offset(rva) + size]))
    return found


def version_strings(block):
    """{(string table key, name): value} of a VS_VERSIONINFO resource."""
    strings = {}

    # parent: the key of the enclosing node; table: the string table's key
    # (language and code page) once inside one.
    def walk(at, end, parent, table):
        while at + 6 <= end:
            length, value_length, kind = struct.unpack_from("<HHH", block, at)
            if length == 0:
                break
            key_end = at + 6
            while block[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = block[at + 6:key_end].decode("utf-16-le")
            value_at = (key_end + 2 + 3) & ~3
            children = value_at
            if kind == 1 and value_length:
                text = block[value_at:value_at + 2 * value_length].decode("utf-16-le").rstrip("\0")
                strings[(table, key)] = text
                children = value_at + 2 * value_length
            elif value_length:
                children = value_at + value_length
            children = (children + 3) & ~3
            walk(children, at + length, key, key if parent == "StringFileInfo" else table)
            at = (at + length + 3) & ~3

    walk(0, len(block), "", "")
    return strings


def main():
    exe, description, icons = sys.argv[1], sys.argv[2], int(sys.argv[3])
    name = os.path.basename(exe)
    with open(exe, "rb") as f:
        found = resources(f.read())
    failed = []

    dialogs = found.get(RT_DIALOG, [])
    if not dialogs:
        failed.append("no dialogs")
    for dialog, language, _ in dialogs:
        if language != 0x411:
            failed.append("dialog %d is in language %#x, not 0x411" % (dialog, language))

    wanted = {
        "CompanyName": "Harborlit",
        "ProductName": PRODUCT,
        "FileDescription": description,
        "FileVersion": "1.0.0.0",
        "ProductVersion": "1.0.0.0",
        "OriginalFilename": name,
        "InternalName": os.path.splitext(name)[0],
    }
    versions = found.get(RT_VERSION, [])
    strings = version_strings(versions[0][2]) if versions else {}
    for key, value in wanted.items():
        got = strings.get(("041104B0", key))
        if got != value:
            failed.append("version string %s is %r, wanted %r" % (key, got, value))

    groups = found.get(RT_ICON_GROUP, [])
    if len(groups) < icons:
        failed.append("%d icon group(s), wanted at least %d" % (len(groups), icons))
    for group, _, bits in groups:
        count = struct.unpack_from("<H", bits, 4)[0]
        sizes = sorted({bits[6 + 14 * i] or 256 for i in range(count)})
        if sizes != [16, 32, 48]:
            failed.append("icon group %d holds sizes %s, wanted 16, 32 and 48" % (group, sizes))

    for f in failed:
        print("FAIL %s: %s" % (name, f))
    if not failed:
        print("ok %s: %d dialog(s) in Japanese, version %s, %d icon group(s)"
              % (name, len(dialogs), strings.get(("041104B0", "FileVersion")), len(groups)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
