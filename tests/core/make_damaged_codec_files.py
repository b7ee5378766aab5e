#!/usr/bin/env python3
"""Writes the damaged JPEG, PNG, GIF and TIFF files under tests/data once; they are committed.

Each file must be refused by the decoder: cut short, a header claiming an impossible size, or
scrambled data. The files named bad-scrambled-*-at-N.* have entropy-coded data scrambled from
byte N on that libjpeg gets through with warnings (djpeg and tiffinfo -D say "Corrupt JPEG
data"): they decode, marked as damaged. Run from the repository root.
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


def scrambled(data, at, n=16):
    """Flips bits of n bytes from `at` on, leaving bytes next to 0xFF (markers, stuffing) alone."""
    out = bytearray(data)
    for i in range(at, at + n):
        if out[i] != 0xFF and out[i - 1] != 0xFF:
            v = out[i] ^ 0x5A
            out[i] = v if v != 0xFF else 0xFE
    return bytes(out)


def witness_says_corrupt(cmd, data, suffix):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "w" + suffix)
        with open(path, "wb") as f:
            f.write(data)
        result = subprocess.run(cmd + [path], capture_output=True)
        return b"Corrupt JPEG data" in result.stderr and b"Error" not in result.stderr


def tiff_strips(tif):
    """Offsets and byte counts of the strips of a little-endian TIFF's first directory."""
    ifd = struct.unpack_from("<I", tif, 4)[0]
    tags = {}
    for i in range(struct.unpack_from("<H", tif, ifd)[0]):
        tag, kind, count, value = struct.unpack_from("<HHII", tif, ifd + 2 + 12 * i)
        size = {3: 2, 4: 4}[kind] if tag in (273, 279) else 0
        if size:
            fmt = "<" + ("H" if size == 2 else "I") * count
            at = ifd + 10 + 12 * i if count * size <= 4 else value
            tags[tag] = struct.unpack_from(fmt, tif, at)
    return list(zip(tags[273], tags[279]))


def put_damaged_but_decodable():
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "logo.jpg")
        subprocess.run(["convert", "logo:", "-quality", "90", path], check=True)
        with open(path, "rb") as f:
            jpg = f.read()
        tif_path = os.path.join(tmp, "logo.tif")
        subprocess.run(["convert", "logo:", "-compress", "JPEG", "-quality", "90", "-define",
                        "tiff:rows-per-strip=64", tif_path], check=True)
        with open(tif_path, "rb") as f:
            tif = f.read()
    sos = jpg.index(b"\xff\xda")
    start = sos + 2 + (jpg[sos + 2] << 8 | jpg[sos + 3])
    for fraction in (0.1, 0.3, 0.7):  # early, middle and late in the scan
        at = start + int((len(jpg) - 2 - start) * fraction)
        data = scrambled(jpg, at)
        assert witness_says_corrupt(["djpeg", "-outfile", "/dev/null"], data, ".jpg"), at
        put("jpeg", "bad-scrambled-at-%d.jpg" % at, data)
    # Over 64 KiB, with a bad Huffman code near the start that djpeg, reading through its
    # decoder's fast path, passes over.
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "logo.jpg")
        subprocess.run(["convert", "logo:", "-quality", "97", path], check=True)
        with open(path, "rb") as f:
            put("jpeg", "bad-huffman-code-at-4500.jpg", scrambled(f.read(), 4500))
    offset, count = tiff_strips(tif)[2]
    at = offset + count * 4 // 5
    data = scrambled(tif, at)
    assert witness_says_corrupt(["tiffinfo", "-D"], data, ".tif"), at
    put("tiff", "bad-jpeg-scrambled-at-%d.tif" % at, data)


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
    # A text chunk after the header whose checksum is off by one: libpng drops it and goes on.
    text = png_chunk(b"tEXt", b"Comment\0damaged")
    text = text[:-4] + struct.pack(">I", (struct.unpack(">I", text[-4:])[0] + 1) & 0xFFFFFFFF)
    put("png", "bad-text-crc-at-%d.png" % (33 + len(text) - 4), png[:33] + text + png[33:])

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
    put_damaged_but_decodable()


if __name__ == "__main__":
    main()
