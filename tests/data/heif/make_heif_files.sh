#!/usr/bin/env bash
# Writes the HEIF and AVIF fixtures of this folder once; they are committed. Pictures come from
# ImageMagick, files from libheif's heif-enc and libavif's avifenc (Debian's libheif-examples
# and libavif-bin). Run from the repository root.
set -euo pipefail
out=tests/data/heif
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
photo() {  # photo SIZE DEPTH FILE: every channel moving, like a small photograph
  convert -size "$1" xc: -channel R -fx 'i/w' -channel G -fx 'j/h' -channel B -fx '(i*5+j*9)%256/255' +channel \
    -depth "$2" "$3"
}
photo 37x23 8 "$tmp/p.png"
photo 37x23 16 "$tmp/p16.png"
photo 128x128 8 "$tmp/g.png"
convert "$tmp/p.png" -alpha set -channel A -fx '(i+j)/(w+h)' +channel "$tmp/a.png"
convert "$tmp/p16.png" -alpha set -channel A -fx '(i+j)/(w+h)' +channel -depth 16 "$tmp/a16.png"
# A camera's Exif saying "turn by 90 degrees" (6), which the container's own rotation overrides.
convert "$tmp/p.png" "$tmp/o.jpg"
exiftool -q -Orientation#=6 -overwrite_original "$tmp/o.jpg"
exiftool -b -EXIF "$tmp/o.jpg" >"$tmp/o.exif"

heif-enc -q 90 "$tmp/p.png" -o $out/good-37x23.heic
heif-enc -L -p chroma=444 "$tmp/p.png" -o $out/good-lossless.heic
heif-enc -q 90 "$tmp/a.png" -o $out/good-alpha.heic
heif-enc -q 90 -b 10 "$tmp/p16.png" -o $out/good-10bit.heic
heif-enc -q 90 -b 12 "$tmp/p16.png" -o $out/good-12bit.heic
avifenc --min 10 --max 10 "$tmp/p.png" $out/good-37x23.avif >/dev/null
avifenc -l "$tmp/p.png" $out/good-lossless.avif >/dev/null
avifenc --min 10 --max 10 "$tmp/a.png" $out/good-alpha.avif >/dev/null
avifenc --min 10 --max 10 -d 10 "$tmp/p16.png" $out/good-10bit.avif >/dev/null
avifenc --min 10 --max 10 -d 12 "$tmp/p16.png" $out/good-12bit.avif >/dev/null
avifenc --min 10 --max 10 -d 10 "$tmp/a16.png" $out/good-10bit-alpha.avif >/dev/null
avifenc --min 10 --max 10 --grid 2x2 "$tmp/g.png" $out/good-grid-2x2.avif >/dev/null
avifenc --min 10 --max 10 --irot 1 --exif "$tmp/o.exif" "$tmp/p.png" $out/good-irot-exif6.avif >/dev/null
# Mirrored top to bottom, and turned then mirrored left to right, by the container.
avifenc --min 10 --max 10 --imir 0 "$tmp/p.png" $out/good-imir0.avif >/dev/null
avifenc --min 10 --max 10 --irot 1 --imir 1 "$tmp/p.png" $out/good-irot1-imir1.avif >/dev/null

heif-enc -q 10 "$tmp/g.png" -o "$tmp/g.heic"
avifenc --min 60 --max 60 "$tmp/g.png" "$tmp/g.avif" >/dev/null

# Damaged: cut short, no more than the ftyp box, and a primary picture (even-sized, so without a
# crop box) whose ispe box promises 30000 x 30000 pixels (past our 1 GiB) or 60000 x 60000 (past
# libheif's 32768 pixels a side).
python3 - "$out" "$tmp" <<'PY'
import struct, sys
out, tmp = sys.argv[1:]
# Each name once for both formats, as the tests name their cases by it.
for ext, side, cut, bare in (("heic", 30000, "truncated", "ftyp-only"), ("avif", 60000, "cut-short", "no-meta")):
    data = open(f"{out}/good-37x23.{ext}", "rb").read()
    open(f"{out}/bad-{cut}.{ext}", "wb").write(data[: len(data) * 2 // 3])
    open(f"{out}/bad-{bare}.{ext}", "wb").write(data[: struct.unpack(">I", data[:4])[0]])
    huge = bytearray(open(f"{tmp}/g.{ext}", "rb").read())
    at = huge.index(b"ispe") + 8  # version and flags, then width and height
    huge[at : at + 8] = struct.pack(">II", side, side)
    open(f"tests/data/tiny/{ext}-ispe-{side}x{side}.{ext}", "wb").write(bytes(huge))
PY

# bad-unknown-primaries-wrong-depth.avif was found by the fuzzer (fuzz/fuzz_heif.cpp): its nclx
# box names unknown primaries and its AV1 data another depth than the file says.
# bad-av1-data-refused.avif, also the fuzzer's: AV1 data that libdav1d refuses.
# tiny/avif-no-depth.avif, also the fuzzer's: its depth is undefined (heif-convert refuses it so).
# bad-av1-frame-beyond-its-header.avif, also the fuzzer's: a grid whose ispe box says 129 x 128
# pixels while its grid box and AV1 data declare a far larger frame.
