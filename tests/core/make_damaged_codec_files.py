#!/usr/bin/env python3
"""Writes the damaged JPEG, PNG, GIF and TIFF files under tests/data once; they are committed.

Each file must be refused by the decoder: cut short, a header claiming an impossible size, or
scrambled data. Run from the repository root.
"""
import os
import struct
import subprocess
import tempfile
import zlib

DATA = os.path.join("tests", "data")


def sample(ext, *args):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "s." + ext)
        subprocess.run(["convert", "-size", "48x32", "gradient:red-blue", "-strip", *args, path], check=True)
        with open(path, "rb") as f:
            return f.read()


def put(fmt, name, data):
    with open(os.path.join(DATA, fmt, name), "wb") as f:
        f.write(data)


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def gif_screen_end(gif):
    return 13 + (3 << ((gif[10] & 7) + 1) if gif[10] & 0x80 else 0)


def gif_first_image(gif):
    pos = gif_screen_end(gif)
    while gif[pos] == 0x21:  # extension: label, then sub-blocks up to an empty one
        pos += 2
        while gif[pos]:
            pos += gif[pos] + 1
        pos += 1
    assert gif[pos] == 0x2C
    return pos


def main():
    jpg = sample("jpg")
    put("jpeg", "bad-truncated.jpg", jpg[: len(jpg) // 2])
    sof = jpg.index(b"\xff\xc0")
    huge = bytearray(jpg)
    huge[sof + 5 : sof + 9] = struct.pack(">HH", 65000, 65000)
    put("jpeg", "bad-huge-size.jpg", bytes(huge))
    zero = bytearray(jpg)
    zero[sof + 5 : sof + 9] = struct.pack(">HH", 0, 0)
    put("jpeg", "bad-zero-size.jpg", bytes(zero))
    put("jpeg", "bad-header-only.jpg", jpg[: jpg.index(b"\xff\xda")])
    scan = bytearray(jpg)
    start = jpg.index(b"\xff\xda") + 20
    for i in range(start, start + 40, 3):
        scan[i] = 0xFF if scan[i + 1] != 0 else scan[i]  # marker-like bytes inside the scan
    put("jpeg", "bad-scrambled-scan.jpg", bytes(scan))
    # A progressive file whose first scan (DC only, decodable any number of times) is repeated
    # far more often than any encoder would write scans.
    prog = sample("jpg", "-interlace", "JPEG")
    first = prog.index(b"\xff\xda")
    end = first + 2
    while not (prog[end] == 0xFF and prog[end + 1] not in (0x00, *range(0xD0, 0xD8))):
        end += 1
    put("jpeg", "bad-many-scans.jpg", prog[:end] + prog[first:end] * 800 + prog[end:])

    png = sample("png")
    put("png", "bad-truncated.png", png[: len(png) // 2])
    ihdr = struct.pack(">IIBBBBB", 1_000_000, 1_000_000, 8, 2, 0, 0, 0)
    put("png", "bad-huge-size.png", png[:8] + png_chunk(b"IHDR", ihdr) + png[33:])
    idat = png.index(b"IDAT")
    crc = bytearray(png)
    for i in range(idat + 8, idat + 24):
        crc[i] ^= 0x5A
    put("png", "bad-scrambled-idat.png", bytes(crc))
    put("png", "bad-signature-only.png", png[:8])

    gif = sample("gif")
    put("gif", "bad-truncated.gif", gif[: len(gif) // 2])
    huge = bytearray(gif)
    huge[6:10] = struct.pack("<HH", 65535, 65535)
    desc = gif_first_image(gif)
    huge[desc + 5 : desc + 9] = struct.pack("<HH", 65535, 65535)
    put("gif", "bad-huge-size.gif", bytes(huge))
    put("gif", "bad-no-image.gif", gif[: gif_screen_end(gif)] + b"\x3b")

    tif = sample("tif", "-compress", "LZW")
    put("tiff", "bad-truncated.tif", tif[: len(tif) // 2])
    offset = bytearray(tif)
    offset[4:8] = struct.pack("<I" if tif[:2] == b"II" else ">I", len(tif) + 1000)
    put("tiff", "bad-directory-offset.tif", bytes(offset))
    put("tiff", "bad-header-only.tif", tif[:8])


if __name__ == "__main__":
    main()
