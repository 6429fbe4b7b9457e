#!/usr/bin/env python3
"""Lists an ISO 9660 image as Windows reads it: from its Joliet tree.

Prints the primary volume label, then the Joliet volume label (the one
Windows reports when a Joliet tree is present), then one line per entry:
  folder/            a folder
  path<TAB>sha256    a file and the SHA-256 of its bytes
sorted by path, names in UTF-8. Exits 1 when the image has no Joliet tree.
With a folder as second argument, also writes every folder and file of the
Joliet tree below it, as Windows would show the mounted image.
Reads the volume descriptors and directory records itself, so the listing
does not depend on how a particular tool chooses between Rock Ridge, Joliet
and plain ISO 9660 names.
"""
import hashlib
import os
import struct
import sys

SECTOR = 2048
JOLIET_ESCAPES = (b"%/@", b"%/C", b"%/E")  # UCS-2 levels 1 to 3


def main(path, extract_to=None):
    data = open(path, "rb").read()
    primary = joliet = None
    for n in range(16, 64):
        d = data[n * SECTOR:(n + 1) * SECTOR]
        if len(d) < SECTOR or d[1:6] != b"CD001" or d[0] == 255:
            break
        if d[0] == 1:
            primary = d
        elif d[0] == 2 and d[88:91] in JOLIET_ESCAPES:
            joliet = d
    if primary is None:
        print(f"{path}: no primary volume descriptor", file=sys.stderr)
        return 1
    print("primary-label\t" + primary[40:72].decode("ascii", "replace").rstrip())
    if joliet is None:
        print(f"{path}: no Joliet tree", file=sys.stderr)
        return 1
    print("joliet-label\t" + joliet[40:72].decode("utf-16-be", "replace").rstrip())

    entries = []

    def walk(extent, size, prefix, depth):
        if depth > 32:
            raise ValueError("folders nested too deep")
        pos, end = extent * SECTOR, extent * SECTOR + size
        while pos < end:
            length = data[pos]
            if length == 0:  # records never cross a sector: go on at the next one
                pos = (pos // SECTOR + 1) * SECTOR
                continue
            rec = data[pos:pos + length]
            pos += length
            ext = struct.unpack("<I", rec[2:6])[0]
            sz = struct.unpack("<I", rec[10:14])[0]
            flags, name_len = rec[25], rec[32]
            raw = rec[33:33 + name_len]
            if raw in (b"\x00", b"\x01"):  # the folder itself and its parent
                continue
            name = raw.decode("utf-16-be").split(";")[0]
            if name in ("", ".", "..") or "/" in name or "\\" in name:
                raise ValueError(f"unusable name {name!r} in the image")
            if extract_to is not None:
                target = os.path.join(extract_to, *(prefix + name).split("/"))
                if flags & 2:
                    os.makedirs(target, exist_ok=True)
                else:
                    with open(target, "wb") as f:
                        f.write(data[ext * SECTOR:ext * SECTOR + sz])
            if flags & 2:
                entries.append(prefix + name + "/")
                walk(ext, sz, prefix + name + "/", depth + 1)
            else:
                digest = hashlib.sha256(data[ext * SECTOR:ext * SECTOR + sz]).hexdigest()
                entries.append(prefix + name + "\t" + digest)

    root = joliet[156:190]
    walk(struct.unpack("<I", root[2:6])[0], struct.unpack("<I", root[10:14])[0], "", 0)
    for e in sorted(entries):
        print(e)
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
