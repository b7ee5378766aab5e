#!/usr/bin/env python3
# Writes the small PDF and SVG files the vector page tests read. PDF files are put together by
# hand, object by object, so each states exactly the boxes its test expects; the encrypted one is
# made from another by the qpdf command. Run it from this folder.
import gzip
import subprocess


def pdf(objects, trailer=""):
    """objects: the bodies of objects 1..n; object 1 is the catalog."""
    out = b"%PDF-1.7\n"
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n%s\nendobj\n" % (number, body.encode("latin-1"))
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for o in offsets:
        out += b"%010d 00000 n \n" % o
    out += b"trailer\n<< /Size %d /Root 1 0 R %s>>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, trailer.encode(), xref)
    return out


def stream(content, extra=""):
    data = content.encode("latin-1")
    return "<< /Length %d %s>>\nstream\n%s\nendstream" % (len(data) + 1, extra, content)


def one_page(page_keys, pages_keys="", content="", resources=""):
    return pdf([
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 %s>>" % pages_keys,
        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << %s >> %s >>" % (resources, page_keys),
        stream(content),
    ])


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


write("mediabox.pdf", one_page("/MediaBox [0 0 612 792]"))
write("cropbox.pdf", one_page("/MediaBox [0 0 600 800] /CropBox [400 50 100 900]"))
write("inherited.pdf", one_page("", "/MediaBox [0 0 288 144] "))
write("userunit2.pdf", one_page("/MediaBox [0 0 720 360] /UserUnit 2"))
write("rotate90.pdf", one_page("/MediaBox [0 0 612 792]", "/Rotate 90 "))
write("limit.pdf", one_page("/MediaBox [0 0 7200 100] /UserUnit 2"))
write("size0.pdf", one_page("/MediaBox [0 0 0 792]"))
write("over-limit.pdf", one_page("/MediaBox [0 0 7201 100] /UserUnit 2"))
write("three-pages.pdf", pdf([
    "<< /Type /Catalog /Pages 2 0 R >>",
    "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 /MediaBox [0 0 100 100] >>",
    "<< /Type /Page /Parent 2 0 R >>",
    "<< /Type /Page /Parent 2 0 R >>",
    "<< /Type /Page /Parent 2 0 R >>",
]))

# Three pages of three sizes and colours: red 100 pt square, green A4 portrait, blue A4 landscape.
write("sizes.pdf", pdf([
    "<< /Type /Catalog /Pages 2 0 R >>",
    "<< /Type /Pages /Kids [3 0 R 5 0 R 7 0 R] /Count 3 >>",
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 0 R >>",
    stream("1 0 0 rg 0 0 100 100 re f"),
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.276 841.89] /Contents 6 0 R >>",
    stream("0 1 0 rg 0 0 595.276 841.89 re f"),
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 841.89 595.276] /Contents 8 0 R >>",
    stream("0 0 1 rg 0 0 841.89 595.276 re f"),
]))

# A cross-reference table whose offsets are all wrong: qpdf finds the objects by scanning.
good = one_page("/MediaBox [0 0 612 792]")
write("xref-repairable.pdf", good.replace(b"0000000009 00000 n", b"0000000999 00000 n").replace(
    b"startxref\n", b"startxref\n7"))
# Nothing but a signature and noise: there is no object to recover.
write("xref-broken.pdf", b"%PDF-1.4\n" + bytes(range(32, 127)) * 4 + b"\nstartxref\n99999\n%%EOF\n")
subprocess.run(["qpdf", "--encrypt", "user", "owner", "256", "--", "mediabox.pdf", "encrypted.pdf"], check=True)

# The source of the embedding test: coloured bands and text, turned and cropped, so that a wrong
# matrix shows. Its second page has a UserUnit of 2 and turns the other way.
drawing = ("1 0 0 rg 20 30 100 200 re f 0 0.6 0 rg 130 60 150 90 re f 0 0 1 rg 60 300 200 40 re f "
           "0.9 0.7 0 rg 10 10 m 290 390 l 280 395 l h f "
           "BT /F1 36 Tf 0 g 40 250 Td (Tessaro) Tj ET")
write("embed-source.pdf", pdf([
    "<< /Type /Catalog /Pages 2 0 R >>",
    "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >>",
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 320 420] /CropBox [10 5 310 405] /Rotate 90 "
    "/Contents 4 0 R /Resources << /Font << /F1 6 0 R >> >> >>",
    stream(drawing),
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 160 210] /UserUnit 2 /Rotate 270 "
    "/Contents 7 0 R /Resources << /Font << /F1 6 0 R >> >> >>",
    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    stream("0.5 0 0 0.5 0 0 cm " + drawing),
]))

svg_mm = ('<?xml version="1.0"?>\n<!-- a comment -->\n<svg xmlns="http://www.w3.org/2000/svg" width="210mm" '
          'height="297mm" viewBox="0 0 210 297"><rect x="20" y="20" width="100" height="50" fill="red"/></svg>\n')
write("mm.svg", svg_mm.encode())
write("mm.svgz", gzip.compress(svg_mm.encode(), mtime=0))
write("px.svg", b'<svg xmlns="http://www.w3.org/2000/svg" width="960" height="480px">'
      b'<rect width="480" height="480" fill="blue"/></svg>\n')
write("viewbox.svg", b'<!DOCTYPE svg>\n<svg xmlns="http://www.w3.org/2000/svg" width="100%" viewBox="0 0 192 96">'
      b'<rect width="96" height="96" fill="green"/></svg>\n')
write("width-only.svg", b'<svg xmlns="http://www.w3.org/2000/svg" width="4in" viewBox="0 0 200 100"/>\n')
write("no-size.svg", b'<svg xmlns="http://www.w3.org/2000/svg" width="100%"/>\n')
write("zero.svg", b'<svg xmlns="http://www.w3.org/2000/svg" width="0" height="10mm"/>\n')
write("broken.svg", b'<svg xmlns="http://www.w3.org/2000/svg" width="10mm" height="10mm"><rect</svg>\n')
# Hostile drawings: references to a file beside it, an absolute file and an address (none may be
# fetched: the drawing stays white), an entity expansion bomb, a size and coordinates beyond 1e30.
write("external.svg", b'<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" '
      b'width="20mm" height="20mm" viewBox="0 0 20 20">'
      b'<image width="20" height="20" xlink:href="mediabox.pdf"/><image width="20" height="20" xlink:href="red.png"/>'
      b'<image width="20" height="20" href="file:///etc/passwd"/><image width="20" height="20" href="http://127.0.0.1:9/x.png"/>'
      b'<use href="broken.svg#r"/></svg>\n')
subprocess.run(["convert", "-size", "8x8", "xc:red", "red.png"], check=True)
levels = "".join('<!ENTITY %s "%s">\n' % (c, ("&%s;" % p) * 16 if p else "a" * 64)
                 for p, c in zip([None, *"abcdefg"], "abcdefgh"))
write("laughs.svg", ('<?xml version="1.0"?>\n<!DOCTYPE svg [\n%s]>\n<svg xmlns="http://www.w3.org/2000/svg" '
                     'width="20mm" height="20mm"><text y="10">&h;</text></svg>\n' % levels).encode())
write("huge.svg", b'<svg xmlns="http://www.w3.org/2000/svg" width="1e30mm" height="10mm"/>\n')
write("far.svg", b'<svg xmlns="http://www.w3.org/2000/svg" width="20mm" height="20mm" viewBox="0 0 20 20">'
      b'<path d="M0 0 L1e31 1e31 L-1e30 5 Z"/><circle r="1e30" fill="none" stroke="black"/></svg>\n')
write("far.pdf", one_page("/MediaBox [0 0 100 100]", content="1e30 0 0 1e30 -1e31 5 cm 0 0 m 1e30 1e30 l S"))
