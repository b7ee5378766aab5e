#!/usr/bin/env bash
# Writes the JPEG XL fixtures once with Debian's cjxl (libjxl-tools) and ImageMagick; they are
# committed. good-* must load like djxl's output in sRGB, the others be refused; the
# hostile ones go to tests/data/tiny, where refusing them must also stay cheap.
# Run from the repository root.
set -euo pipefail
out=tests/data/jxl
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
c=/usr/bin/convert
# Odd sizes, so that row padding and the last group's edge are exercised.
$c -seed 7 -size 37x23 plasma:red-blue -depth 8 -strip "$tmp/rgb.png"
$c -seed 7 -size 37x23 plasma:orange-navy -depth 16 -strip "$tmp/rgb16.png"
$c "$tmp/rgb.png" -alpha set -channel A -fx '(i+j)/(w+h)' +channel -depth 8 -strip "$tmp/rgba.png"
$c "$tmp/rgb.png" -colorspace Gray -depth 8 -strip "$tmp/grey.png"
$c "$tmp/rgb16.png" -endian LSB "$tmp/float.pfm"
enc() { cjxl --quiet "$@"; }
enc "$tmp/rgb.png" $out/good-lossless-rgb.jxl -d 0
enc "$tmp/rgb.png" $out/good-lossy-rgb.jxl -d 1 --container=1
enc "$tmp/rgb16.png" $out/good-lossless-rgb16.jxl -d 0
enc "$tmp/rgb16.png" $out/good-lossy-rgb16.jxl -d 1
enc "$tmp/rgba.png" $out/good-lossless-alpha.jxl -d 0
enc "$tmp/rgba.png" $out/good-lossy-alpha.jxl -d 1
enc "$tmp/grey.png" $out/good-lossless-grey.jxl -d 0
enc "$tmp/float.pfm" $out/good-lossy-float.jxl -d 1
# An animation of two frames: its first frame is the picture.
$c -delay 50 -size 37x23 -seed 7 plasma:red-blue -seed 8 plasma:green-yellow -loop 0 "$tmp/anim.gif"
enc "$tmp/anim.gif" $out/good-animation.jxl -d 0
# Display P3 (D65, DCI-P3 primaries, sRGB's curve): libjxl renders the lossy file into sRGB itself;
# the lossless one keeps its samples (no good- name: djxl cannot convert it for a reference).
$c "$tmp/rgb.png" "$tmp/rgb.ppm"
enc "$tmp/rgb.ppm" $out/good-lossy-p3.jxl -d 1 -x color_space=RGB_D65_DCI_Rel_SRG
enc "$tmp/rgb.ppm" $out/lossless-p3.jxl -d 0 -x color_space=RGB_D65_DCI_Rel_SRG
# A phone's portrait photo: a JPEG whose Exif says orientation 6, recompressed losslessly; cjxl
# puts the orientation into the codestream and keeps the Exif beside it.
$c "$tmp/rgb.png" -quality 95 "$tmp/plain.jpg"
python3 - "$tmp/plain.jpg" "$tmp/o6.jpg" <<'PY'
import struct, sys
jpeg = open(sys.argv[1], "rb").read()
tiff = b"MM\x00\x2a" + struct.pack(">IH", 8, 1) + struct.pack(">HHII", 0x112, 3, 1, 6 << 16) + struct.pack(">I", 0)
app1 = b"Exif\x00\x00" + tiff
open(sys.argv[2], "wb").write(jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + jpeg[2:])
PY
enc "$tmp/o6.jpg" $out/good-jpeg-orientation-6.jxl --lossless_jpeg=1
# Cut short inside the picture data.
head -c 300 $out/good-lossy-rgb.jxl > tests/data/tiny/jxl-cut-short.jxl
# A codestream whose size header promises 100000 x 100000 pixels (30 GB at 24 bits) and ends
# right after its default image metadata.
python3 - tests/data/tiny/jxl-huge-size.jxl <<'PY'
import sys
value, n = 0, 0
def put(v, k):
    global value, n
    value |= v << n
    n += k
put(0, 1)                        # size header: not small
put(2, 2); put(100000 - 1, 18)   # height - 1 in 18 bits
put(0, 3)                        # no aspect ratio: width follows
put(2, 2); put(100000 - 1, 18)   # width - 1 in 18 bits
put(1, 1)                        # image metadata: all default
open(sys.argv[1], "wb").write(bytes([0xFF, 0x0A]) + value.to_bytes((n + 7) // 8 + 4, "little"))
PY
# The lossy picture with bytes in its first group flipped.
python3 - "$out/good-lossy-rgb.jxl" "$out/bad-scrambled.jxl" <<'PY'
import sys
d = bytearray(open(sys.argv[1], "rb").read())
for i in range(len(d) // 2, len(d) // 2 + 24):
    d[i] ^= 0x5A
open(sys.argv[2], "wb").write(bytes(d))
PY
