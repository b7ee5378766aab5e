#!/usr/bin/env bash
# Writes the WebP fixtures under tests/data/webp (and one under tests/data/tiny) with Debian's
# own encoders (webp, imagemagick, libimage-exiftool-perl); they are committed. Run from the
# repository root. good-* must load as dwebp decodes them (an animation: its first frame);
# bad-* must be refused.
set -euo pipefail
out=tests/data/webp
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 48x32 gradient:red-blue -swirl 90 "$tmp/photo.png"
convert -size 17x13 xc: -channel R -fx 'i/16' -channel G -fx 'j/12' -channel B -fx '(i+j)/28' +channel "$tmp/odd.png"
convert -size 40x30 gradient:orange-navy -alpha set -channel A -fx '(i+j)/(w+h)' +channel "$tmp/alpha.png"
convert "$tmp/photo.png" -negate "$tmp/second.png"

cwebp -quiet -q 80 "$tmp/photo.png" -o "$out/good-lossy.webp"
cwebp -quiet -lossless "$tmp/photo.png" -o "$out/good-lossless.webp"
cwebp -quiet -q 80 "$tmp/alpha.png" -o "$out/good-lossy-alpha.webp"
cwebp -quiet -lossless "$tmp/alpha.png" -o "$out/good-lossless-alpha.webp"
cwebp -quiet -q 90 "$tmp/odd.png" -o "$out/good-odd-17x13.webp"
img2webp -lossless "$tmp/photo.png" "$tmp/second.png" -o "$out/good-animation.webp" 2>/dev/null

# Metadata: an Exif block with JPEG's "Exif\0\0" identifier first (as some writers keep it) and an
# Adobe-RGB-compatible profile; the pixels are those of good-lossless.webp.
convert "$tmp/photo.png" "$tmp/tagged.jpg"
exiftool -q -overwrite_original -Orientation#=6 "$tmp/tagged.jpg"
{ printf 'Exif\0\0'; exiftool -q -b -EXIF "$tmp/tagged.jpg"; } >"$tmp/exif.bin"
webpmux -set exif "$tmp/exif.bin" "$out/good-lossless.webp" -o "$tmp/exif.webp" 2>/dev/null
webpmux -set icc /usr/share/color/icc/compatibleWithAdobeRGB1998.icc "$tmp/exif.webp" -o "$out/good-exif-icc.webp" 2>/dev/null

# Cut short, scrambled, or promising more than there is.
half() { head -c $(($(stat -c %s "$1") / 2)) "$1"; }
half "$out/good-lossy.webp" >"$out/bad-truncated.webp"
half "$out/good-animation.webp" >"$out/bad-animation-cut.webp"
head -c 12 "$out/good-lossy.webp" >"$out/bad-riff-only.webp"
python3 - "$out" <<'PY'
import struct, sys
out = sys.argv[1]
data = bytearray(open(f"{out}/good-lossless.webp", "rb").read())
for i in range(40, len(data), 7):
    data[i] ^= 0x5a
open(f"{out}/bad-scrambled-lossless.webp", "wb").write(data)
# A VP8X canvas of 30000 x 30000 pixels (2.5 GiB at 24 bits) before a small picture.
body = open(f"{out}/good-lossy.webp", "rb").read()[12:]
vp8x = b"VP8X" + struct.pack("<I", 10) + bytes(4) + (29999).to_bytes(3, "little") * 2
chunks = vp8x + body
open(f"{out}/bad-huge-size.webp", "wb").write(b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WEBP" + chunks)
PY

# For the memory budget of hostile files: a lossless header of 16384 x 16384 pixels (768 MiB,
# allowed) over a few hundred bytes of data.
python3 - "$out" <<'PY'
import sys
out = sys.argv[1]
data = bytearray(open(f"{out}/good-lossless.webp", "rb").read())
assert data[12:16] == b"VP8L" and data[20] == 0x2F
bits = int.from_bytes(data[21:25], "little")
bits = (bits & ~((1 << 28) - 1)) | 16383 | (16383 << 14)
data[21:25] = bits.to_bytes(4, "little")
open("tests/data/tiny/webp-lossless-huge-cut.webp", "wb").write(data)
PY
