#!/usr/bin/env python3
"""Writes the good-exif-*.png fixtures: a small picture from ImageMagick's convert with a hostile
eXIf chunk spliced in before its picture data. Each must load as if it had no orientation.
Run from this folder: ./make-exif-fixtures.py"""
import struct
import subprocess
import zlib


def ifd(entries, next_ifd=0):
    """An IFD of big-endian (tag, type, count, value or offset) entries."""
    out = struct.pack(">H", len(entries))
    for tag, kind, count, value in entries:
        out += struct.pack(">HHII", tag, kind, count, value)
    return out + struct.pack(">I", next_ifd)


SHORT, LONG = 3, 4
ORIENTATION, EXIF_IFD, INTEROP_IFD = 0x0112, 0x8769, 0xA005
HEADER = b"MM\x00\x2a" + struct.pack(">I", 8)
SIX = 6 << 16  # a SHORT value sits in the first two bytes of the value field

BLOCKS = {
    # IFD0 points on to a second IFD that points back to IFD0 and to itself; the orientation
    # stands only in that second IFD, where it does not count.
    "offset-loop": HEADER + ifd([(EXIF_IFD, LONG, 1, 26)], 26)
    + ifd([(ORIENTATION, SHORT, 1, SIX), (EXIF_IFD, LONG, 1, 8), (INTEROP_IFD, LONG, 1, 26)], 8),
    # An orientation of two billion values.
    "huge-count": HEADER + ifd([(ORIENTATION, SHORT, 0x7FFFFFFF, 8)]),
    # Four values (too many to stand in the entry) far past the end of the block.
    "offset-past-end": HEADER + ifd([(ORIENTATION, SHORT, 4, 0x00100000)]),
    # IFD0 itself past the end.
    "ifd-past-end": b"MM\x00\x2a" + struct.pack(">I", 0xFFFFFF00),
    # Cut short inside the orientation entry.
    "truncated": (HEADER + ifd([(ORIENTATION, SHORT, 1, SIX)]))[:16],
    # A value no orientation has.
    "orientation-9": HEADER + ifd([(ORIENTATION, SHORT, 1, 9 << 16)]),
}


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def main():
    base = subprocess.run(["convert", "-size", "7x5", "gradient:red-blue", "-strip", "png24:-"],
                          check=True, capture_output=True).stdout
    idat = base.index(b"IDAT") - 4
    for name, block in BLOCKS.items():
        with open(f"good-exif-{name}.png", "wb") as f:
            f.write(base[:idat] + chunk(b"eXIf", block) + base[idat:])


main()
