#!/usr/bin/env python3
"""Each sheet of a vector poster against the source page, both drawn by pdftoppm at the same
resolution: PSNR in dB of the sheet's main band against the same part of the source page.

Where the band lies on the sheet and which part of the page it shows are read from the sheet's
content: its clip rectangle and the `cm` that places the page there. So that pdftoppm draws both
at the same sub-pixel phase, each sheet's and each part's box is made the page's MediaBox (qpdf
and fix-qdf): both then start at pixel (0, 0). Two pixels at each edge, where cut lines may lie,
are left out.

Usage: sheet_psnr.py POSTER.pdf SOURCE.pdf [DPI]; one line per sheet, then the lowest PSNR.
"""
import re
import subprocess
import sys
import tempfile

poster, source = sys.argv[1], sys.argv[2]
dpi = sys.argv[3] if len(sys.argv) > 3 else "150"
work = tempfile.mkdtemp(prefix="sheet-psnr-")
NUM = r"(-?[\d.]+)"
PAGE_CM = re.compile(rf"q {NUM} 0 0 {NUM} {NUM} {NUM} cm")
PIECE = re.compile(rf"q {NUM} {NUM} {NUM} {NUM} re W n {NUM} 0 0 {NUM} {NUM} {NUM} cm /TessaroPage Do Q")


def run(*args, **kw):
    return subprocess.run(args, check=True, **kw)


def qdf(pdf, name):
    run("qpdf", "--qdf", "--object-streams=disable", pdf, f"{work}/{name}")
    return open(f"{work}/{name}", "rb").read().decode("latin-1")


def with_boxes(text, boxes, name):
    """The qdf text with page k's MediaBox (and any CropBox) set to boxes[k - 1], made whole."""
    pages = re.split(r"(?=%% Page \d+\n)", text)
    for k, box in enumerate(boxes, start=1):
        array = "[ " + " ".join(f"{v:.6f}" for v in box) + " ]"
        pages[k] = re.sub(r"/(MediaBox|CropBox) \[[^\]]*\]", lambda m: f"/{m.group(1)} {array}", pages[k], count=2)
    open(f"{work}/{name}.qdf", "wb").write("".join(pages).encode("latin-1"))
    with open(f"{work}/{name}.pdf", "wb") as out:
        run("fix-qdf", f"{work}/{name}.qdf", stdout=out)
    run("pdftoppm", "-r", dpi, f"{work}/{name}.pdf", f"{work}/{name}")


poster_text = qdf(poster, "poster-qdf.pdf")
contents = re.split(r"%% Contents for page \d+", poster_text)[1:]
sheet_boxes, source_boxes = [], []
for content in contents:
    s, sy, ox, oy = map(float, PAGE_CM.search(content).groups())  # device pixels to page points
    x, y, w, h, a, d, e, f = max((tuple(map(float, p)) for p in PIECE.findall(content)), key=lambda p: p[2] * p[3])
    xs, ys = sorted((ox + s * x, ox + s * (x + w))), sorted((oy + sy * y, oy + sy * (y + h)))
    sheet_boxes.append((xs[0], ys[0], xs[1], ys[1]))
    # The page point (u, v) lands at device pixel (a u + e, d v + f).
    us = sorted(((xx - ox) / s - e) / a for xx in xs)
    vs = sorted(((yy - oy) / sy - f) / d for yy in ys)
    source_boxes.append((us[0], vs[0], us[1], vs[1]))

with_boxes(poster_text, sheet_boxes, "sheet")
pages = ",".join("1" for _ in source_boxes)
run("qpdf", "--empty", "--pages", source, pages, "--", f"{work}/parts.pdf")
with_boxes(qdf(f"{work}/parts.pdf", "parts-qdf.pdf"), source_boxes, "part")

width = len(str(len(sheet_boxes)))
worst = float("inf")
for k in range(1, len(sheet_boxes) + 1):
    a, b = f"{work}/sheet-{k:0{width}d}.ppm", f"{work}/part-{k:0{width}d}.ppm"
    size = lambda p: tuple(map(int, run("identify", "-format", "%w %h", p, capture_output=True, text=True).stdout.split()))
    (aw, ah), (bw, bh) = size(a), size(b)
    cw, ch = min(aw, bw) - 4, min(ah, bh) - 4
    for p in (a, b):
        run("convert", p, "-crop", f"{cw}x{ch}+2+2", "+repage", p)
    r = subprocess.run(["compare", "-metric", "PSNR", a, b, "null:"], capture_output=True, text=True)
    text = r.stderr.strip().split()[0]
    value = float("inf") if text == "inf" else float(text)
    worst = min(worst, value)
    print(f"  sheet {k}: {cw} x {ch} px: PSNR {text} dB")
print(f"  lowest PSNR: {worst:.1f} dB (target: at least 40)")
run("rm", "-rf", work)
