#!/usr/bin/env python3
"""pe_pad.py FILE: pads the PE program FILE with zeros to a multiple of 8
bytes and writes its checksum into its optional header.

An Authenticode signature is appended at an 8-byte boundary after such
padding, and the signer writes the checksum anew: a program already padded
and summed is then exactly what removing its signature gives back
(osslsigncode remove-signature), so a signed program can be traced to the
unsigned bytes of the build.
"""
import struct
import sys


def checksum(data, field):
    """The PE checksum: 16-bit words summed with carries folded in, the
    checksum field counted as zero, plus the file's length."""
    total = 0
    padded = data + b"\0" * (len(data) % 2)
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
    skipped = struct.unpack_from("<HH", data, field)
    total -= skipped[0] + skipped[1]
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def main(path):
    data = bytearray(open(path, "rb").read())
    if data[:2] != b"MZ":
        sys.exit(f"pe_pad: {path} is not a PE program")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"pe_pad: {path} has no PE header")
    field = pe + 4 + 20 + 64  # the optional header's CheckSum
    data += b"\0" * (-len(data) % 8)
    struct.pack_into("<I", data, field, checksum(bytes(data), field))
    open(path, "wb").write(data)


if __name__ == "__main__":
    main(sys.argv[1])
