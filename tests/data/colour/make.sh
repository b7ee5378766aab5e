#!/usr/bin/env bash
# Makes the colour-profile fixtures here. Needs gcc, liblcms2-dev, imagemagick, libtiff-tools
# and icc-profiles-free (the Adobe-RGB-compatible profile); ps_cmyk.icc comes with Ghostscript's
# libgs-common. Display P3 is written by make_p3_profile.c.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
gcc -o "$work/make_p3_profile" make_p3_profile.c -llcms2
"$work/make_p3_profile" "$work/p3.icc"
adobe=/usr/share/color/icc/compatibleWithAdobeRGB1998.icc
cmyk=/usr/share/color/icc/ghostscript/ps_cmyk.icc
grey=/usr/share/color/icc/Gray.icc
# Saturated colours in every corner, so that a wide gamut shows.
photo() { convert -size 37x23 xc: -channel R -fx 'i/w' -channel G -fx 'j/h' -channel B -fx '1-(i+j)/(w+h)' +channel -depth 8 "$@"; }
photo -quality 95 -profile "$adobe" good-adobe-rgb.jpg
photo -quality 95 -profile "$work/p3.icc" good-display-p3.jpg
photo -profile "$work/p3.icc" good-display-p3.png
photo -compress lzw -profile "$adobe" good-adobe-rgb.tif
photo -colors 40 -type Palette -profile "$work/p3.icc" PNG8:good-palette-display-p3.png
photo -colorspace Gray -quality 95 -profile "$grey" good-grey-profile.jpg
photo -colorspace CMYK -quality 95 -profile "$cmyk" good-cmyk-profile.jpg
photo -colorspace CMYK -compress lzw -profile "$cmyk" good-cmyk-profile.tif
# Damaged profiles in a plain JPEG's APP2 segments: cut short, claiming 2 GiB, not a profile at
# all, and the first of two parts alone.
photo -quality 95 "$work/plain.jpg"
python3 - "$work/plain.jpg" "$adobe" <<'PY'
import struct, sys
plain = open(sys.argv[1], "rb").read()
icc = open(sys.argv[2], "rb").read()
def app2(part, seq, count):
    body = b"ICC_PROFILE\0" + bytes([seq, count]) + part
    return b"\xff\xe2" + struct.pack(">H", len(body) + 2) + body
def write(name, *segments):
    open(name, "wb").write(plain[:2] + b"".join(segments) + plain[2:])
write("profile-truncated.jpg", app2(icc[:300], 1, 1))
write("profile-claims-2gib.jpg", app2(struct.pack(">I", 0x80000000) + icc[4:], 1, 1))
write("profile-not-a-profile.jpg", app2(b"not a colour profile" * 10, 1, 1))
write("profile-part-missing.jpg", app2(icc[:200], 1, 2))
PY
