#!/usr/bin/env python3
"""Writes the program icon as SVG and as PNG files of the hicolor sizes: six coloured sheets in a
3 x 2 grid, as the window icon draws them. Run from this folder; the results are committed."""
import colorsys
import struct
import zlib

SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
BORDER = (90, 10, 10)


def tiles():
    """(x, y, side, colour) on a 32-unit canvas."""
    for i in range(3):
        for j in range(2):
            r, g, b = colorsys.hsv_to_rgb(((i * 2 + j) * 50) / 360, 160 / 255, 230 / 255)
            yield 1 + i * 10, 6 + j * 10, 9, (round(r * 255), round(g * 255), round(b * 255))


def svg():
    rects = "".join(
        f'  <rect x="{x}.5" y="{y}.5" width="{s}" height="{s}" fill="#{c[0]:02x}{c[1]:02x}{c[2]:02x}" '
        f'stroke="#{BORDER[0]:02x}{BORDER[1]:02x}{BORDER[2]:02x}" stroke-width="1"/>\n'
        for x, y, s, c in tiles())
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">\n'
            + rects + '</svg>\n')


def raster(n):
    px = [[(0, 0, 0, 0)] * n for _ in range(n)]
    scale = n / 32
    line = max(1, round(scale))
    for x, y, s, c in tiles():
        x0, y0 = round(x * scale), round(y * scale)
        x1, y1 = round((x + s + 1) * scale), round((y + s + 1) * scale)
        for yy in range(y0, y1):
            for xx in range(x0, x1):
                edge = xx < x0 + line or xx >= x1 - line or yy < y0 + line or yy >= y1 - line
                px[yy][xx] = (*(BORDER if edge else c), 255)
    return px


def png(px):
    n = len(px)
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in px)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    with open("tessaro.svg", "w") as f:
        f.write(svg())
    for n in SIZES:
        with open(f"tessaro-{n}.png", "wb") as f:
            f.write(png(raster(n)))
