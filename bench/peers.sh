#!/usr/bin/env bash
# tessaro-cli beside the tools people would otherwise use, in one hyperfine run on a 6000 x 4000
# photo: JPEG to BMP against djpeg (and, tagged Orientation 6, against our own quarter turn), the
# photo as WebP to BMP against dwebp, JPEG XL to BMP against djxl, JPEG to PNG against vips, the poster against pdfposter and
# plakativ (also from 1 to 256 megapixels), JPEG to PNG at 1 to 256 megapixels against vips at
# compression 1, and
# the picture operations on a BMP of the photo against GraphicsMagick and vips, and
# brightness and contrast against GraphicsMagick's -level, colour depth against ImageMagick, and
# the photo as HEIC and AVIF against heif-convert and avifdec.
# Needs `scripts/setup --bench`. The photo is made once and kept in bench/.cache (or
# $TESSARO_BENCH_CACHE); PEERS_RUNS sets the runs per command (default 3, after one warm-up).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${TESSARO_BENCH_CACHE:-$root/bench/.cache}
runs=${PEERS_RUNS:-3}
for tool in hyperfine djpeg cjxl djxl vips gm pdfposter plakativ pngcheck convert cwebp dwebp exiftool python3 /usr/bin/time \
  heif-enc heif-convert avifenc avifdec; do
  command -v "$tool" >/dev/null || { echo "peers.sh: $tool missing, run scripts/setup --bench" >&2; exit 1; }
done

echo "== Release build (build-bench)"
TESSARO_BUILD_DIR="$root/build-bench" "$root/scripts/build" -DCMAKE_BUILD_TYPE=Release \
  -DTESSARO_BUILD_APP=OFF -DTESSARO_BUILD_TESTS=OFF -DTESSARO_BUILD_BENCH=ON
cli="$root/build-bench/tessaro-cli"

# A landscape: sky with soft clouds, a ragged ridge, a meadow hill, camera-like grain. Drawn at
# half size (ImageMagick's pixel cache would spill to disk at full size), then enlarged.
make_photo() {
  local out=$1 w=3000 h=2000 ridge hill
  ridge=$(awk -v w=$w -v h=$h 'BEGIN { srand(11); y = 850; printf "0,%d ", h
    for (x = 0; x <= w; x += 20) { y += (rand() - 0.5) * 60; y = y < 550 ? 550 : (y > 1050 ? 1050 : y); printf "%d,%d ", x, y }
    printf "%d,%d", w, h }')
  hill=$(awk -v w=$w -v h=$h 'BEGIN { srand(5)
    for (x = 0; x <= w; x += 10) printf "%d,%d ", x, 1250 + 125 * sin(x / 450) + 60 * sin(x / 155 + 1) + (rand() - 0.5) * 20
    printf "%d,%d 0,%d", w, h, h }')
  convert -seed 3 \
    \( -size ${w}x$h gradient:'#3d74b8-#e3edf7' \) \
    \( -size 750x500 plasma:grey40-grey90 -blur 0x6 -resize ${w}x$h! -level 45%,100% \) -compose screen -composite \
    \( -size 1500x1000 plasma:'#4a5868-#98a4b0' -resize ${w}x$h! \) \
    \( -size ${w}x$h xc:black -fill white -draw "polygon $ridge" -blur 0x1.5 \) -compose over -composite \
    \( -size 1500x1000 plasma:'#2f5a1a-#b09a50' -resize ${w}x$h! \) \
    \( -size ${w}x$h xc:black -fill white -draw "polygon $hill" -blur 0x1.5 \) -compose over -composite \
    -resize 6000x4000! -attenuate 0.2 +noise Gaussian -blur 0x0.5 -quality 90 "jpg:$out"
}

# A one-page PDF showing the JPEG as it is (DCTDecode), one point per pixel, for pdfposter.
make_pdf() {
  python3 - "$1" "$2" <<'EOF'
import sys
jpg = open(sys.argv[1], "rb").read()
w, h = 6000, 4000
content = b"q %d 0 0 %d 0 0 cm /Im0 Do Q" % (w, h)
objs = [
    b"<< /Type /Catalog /Pages 2 0 R >>",
    b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
    b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Resources << /XObject << /Im0 4 0 R >> >> "
    b"/Contents 5 0 R >>" % (w, h),
    b"<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceRGB /BitsPerComponent 8 "
    b"/Filter /DCTDecode /Length %d >>\nstream\n" % (w, h, len(jpg)) + jpg + b"\nendstream",
    b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream",
]
out = bytearray(b"%PDF-1.4\n")
offsets = []
for i, body in enumerate(objs, 1):
    offsets.append(len(out))
    out += b"%d 0 obj\n" % i + body + b"\nendobj\n"
xref = len(out)
out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, xref)
open(sys.argv[2], "wb").write(out)
EOF
}

mkdir -p "$cache"
photo="$cache/landscape-6000x4000-v1.jpg"
if [ ! -s "$photo" ]; then
  echo "== Making the test photo (once): $photo"
  make_photo "$photo.part" || exit 1
  mv "$photo.part" "$photo"
fi
# The photo as a phone would save it in JPEG XL: its pixels coded lossily at cjxl's default
# distance, not the JPEG recompressed.
photo_jxl="$cache/landscape-6000x4000-v1.jxl"
if [ ! -s "$photo_jxl" ]; then
  echo "== Making the JPEG XL photo (once): $photo_jxl"
  cjxl --quiet "$photo" "$photo_jxl.part" --lossless_jpeg=0 -d 1 && mv "$photo_jxl.part" "$photo_jxl"
fi
webp="$cache/landscape-6000x4000-v1.webp"
if [ ! -s "$webp" ]; then
  cwebp -quiet -q 90 "$photo" -o "$webp.part" && mv "$webp.part" "$webp"
fi
work=$(mktemp -d /tmp/tessaro-peers.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The dot poster beside the pixel poster of the same photo as a BMP: made in no more time, and at
# most 10 MB. It is 262 cm wide, 14 x 7 sheets of A4, to hold some 190 000 dots of 5 mm (the
# pixel poster's 10 x 5 sheets would hold 100 000). PEERS_ONLY=dots runs these two rows alone.
dot_names=(cli-poster-pixels cli-dot-poster)
dot_cmds=("$cli poster $work/in.bmp --across 10 --paper A4 --dpi 600 -o $work/poster-pixels.pdf"
  "$cli poster $work/in.bmp --width-cm 262 --paper A4 --dpi 600 --dots 5 -o $work/dot-poster.pdf")
dot_ratios() {
  python3 - "$1" "$(stat -c %s "$work/dot-poster.pdf")" <<'EOF'
import json, sys
mean = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
size = int(sys.argv[2]) / 1e6
ratio = mean["cli-dot-poster"] / mean["cli-poster-pixels"]
print(f"  {'dot poster / pixel poster':<34} {ratio:6.2f}  {'PASS' if ratio <= 1 else 'FAIL'} (target <= 1.0)")
print(f"  {'dot poster PDF size (MB)':<34} {size:6.2f}  {'PASS' if size <= 10 else 'FAIL'} (target <= 10)")
EOF
}
if [ "${PEERS_ONLY:-}" = dots ]; then
  "$cli" convert "$photo" "$work/in.bmp"
  # shellcheck disable=SC2086  # split into words, as hyperfine -N does
  echo "== Dot poster: $(${dot_cmds[1]} | head -1)"
  args=()
  for i in "${!dot_names[@]}"; do args+=(-n "${dot_names[$i]}" "${dot_cmds[$i]}"); done
  hyperfine -N --warmup 1 --runs "$runs" --export-json "$cache/peers-dots.json" "${args[@]}"
  dot_ratios "$cache/peers-dots.json"
  exit 0
fi
make_pdf "$photo" "$work/photo.pdf"

names=(cli-bmp djpeg-bmp cli-png vips-png cli-webp-bmp dwebp-ppm cli-jxl djxl-ppm)
cmds=("$cli convert $photo $work/cli.bmp" "djpeg -bmp -outfile $work/djpeg.bmp $photo"
  "$cli convert $photo $work/cli.png" "vips copy $photo $work/vips.png"
  "$cli convert $webp - --format bmp" "dwebp -ppm $webp -o $work/dwebp.ppm"
  "$cli convert $photo_jxl - --format bmp" "djxl $photo_jxl $work/djxl.ppm --quiet")
# The WebP and JPEG XL rows time decoding, written to standard output as the HEIF rows are (a
# file would be synced to disk, which the peers do not do); the JPEG XL file for the pixel check
# comes from one run.
"$cli" convert "$photo_jxl" "$work/cli-jxl.bmp"
# A portrait photo as phones store it: the same pixels tagged Orientation 6, loaded upright, beside
# the plain photo (cli-bmp) and the plain photo turned by the command line. Standing it upright
# may cost no more than that quarter turn, and little more memory than the plain photo: it is
# decoded straight into its upright place.
# These rows, tool against itself, write to standard output: a file is synced to disk, which on a
# shared machine varies more than the decoding measured. The files for the pixel check come from
# one run each.
exiftool -q -n -Orientation=6 -o "$work/portrait.jpg" "$photo"
"$cli" convert "$work/portrait.jpg" "$work/cli-upright.bmp"
"$cli" convert "$photo" --rotate right "$work/cli-rotate-jpg.bmp"
names+=(cli-bmp-upright cli-bmp-rotate cli-bmp-stdout)
cmds+=("$cli convert $work/portrait.jpg - --format bmp"
  "$cli convert $photo --rotate right - --format bmp" "$cli convert $photo - --format bmp")
# The same photo tagged Display P3 (the fixture's profile in an APP2 segment, the JPEG data
# untouched): converting it to sRGB on loading costs at most a quarter more.
convert "$root/tests/data/colour/good-display-p3.jpg" "$work/p3.icc"
python3 - "$photo" "$work/p3.icc" "$work/photo-p3.jpg" <<'PY'
import struct, sys
jpg, icc = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
body = b"ICC_PROFILE\0\1\1" + icc
open(sys.argv[3], "wb").write(jpg[:2] + b"\xff\xe2" + struct.pack(">H", len(body) + 2) + body + jpg[2:])
PY
names+=(cli-bmp-p3)
cmds+=("$cli convert $work/photo-p3.jpg - --format bmp")
# A tessaro-cli without the poster command leaves that pair out. With it, one run first tells the
# grid of sheets (and the peak memory); pdfposter is asked for the same grid of A4 sheets.
poster="$cli poster $photo --across 10 --paper A4 --dpi 600 -o $work/poster.pdf"
# The help is read whole first: grep -q stops reading early, and under pipefail the writer's
# broken pipe would count as no poster command.
cli_help=$("$cli" --help 2>/dev/null || true)
if grep -q 'tessaro-cli poster' <<<"$cli_help"; then
  # shellcheck disable=SC2086  # split into words, as hyperfine -N splits every command
  /usr/bin/time -f %M -o "$work/poster.kb" $poster >"$work/poster.txt"
  grid=$(sed -n 's/^Poster: \([0-9]*\) x \([0-9]*\) .*/\1x\2/p' "$work/poster.txt")
  echo "== Poster: ${grid:-10x10} sheets of A4 ($(head -1 "$work/poster.txt"))"
  # plakativ fits the picture into a box of as many A4 sheets, laid edge to edge, turned as ours
  # are (wider than 25 cm each: across).
  box=$(sed -n 's/^Poster: \([0-9]*\) x \([0-9]*\) Blätter ([^)]*), \([0-9.,]*\) x .*/\1 \2 \3/p' "$work/poster.txt" |
    tr , . | awk '{ t = $3 / $1 > 25 ? 297 : 210; u = 507 - t; printf "%dx%dmm %dmmx%dmm", $1 * t, $2 * u, t, u }')
  # shellcheck disable=SC2086  # two words
  set -- ${box:-2100x2970mm 210mmx297mm}
  plakativ_box="--size $1 --pagesize $2"
  plakativ="plakativ $plakativ_box --border 0 -o $work/plakativ.pdf $photo"
  names+=(cli-poster pdfposter plakativ)
  cmds+=("$poster" "pdfposter -m a4 -p ${grid:-10x10}a4 $work/photo.pdf $work/pdfposter.pdf" "$plakativ")
else
  echo "== tessaro-cli has no poster command yet: poster vs pdfposter and plakativ skipped"
fi

# Picture operations, BMP file to BMP file, on the photo as a 24-bit BMP. vips reads and writes
# BMP through its ImageMagick loader and saver, so its side includes that, as a user's would.
"$cli" convert "$photo" "$work/in.bmp"
ops=("--rotate right" "--flip h" "--crop 300,200,5400,3600" "--resize 12000,8000 --interpolate")
peers=("gm convert $work/in.bmp -rotate 90 $work/gm-rotate.bmp" "gm convert $work/in.bmp -flop $work/gm-flip.bmp"
  "vips crop $work/in.bmp $work/vips-crop.bmp 300 200 5400 3600"
  "vips resize $work/in.bmp $work/vips-resize.bmp 2 --kernel linear")
for i in "${!ops[@]}"; do
  op=${ops[$i]%% *}
  names+=("cli${op#-}" "$(echo "${peers[$i]}" | cut -d' ' -f1)${op#-}")
  cmds+=("$cli convert $work/in.bmp ${ops[$i]} $work/cli${op#-}.bmp" "${peers[$i]}")
done
# The photo as HEIC and AVIF (made once), decoded to BMP against the libraries' own tools writing
# the decoded YCbCr planes as they are (.y4m, no conversion to RGB). The BMP goes to standard
# output, as the tools' files are not synced to disk either.
# Both encoders at their default quality, as a user's files would be.
heic="$cache/landscape-6000x4000-v2.heic"
[ -s "$heic" ] || heif-enc "$photo" -o "$heic" >/dev/null
avif="$cache/landscape-6000x4000-v2.avif"
[ -s "$avif" ] || avifenc -j 2 "$photo" "$avif" >/dev/null
names+=(cli-heic heif-convert cli-avif avifdec)
cmds+=("$cli convert $heic - --format bmp" "heif-convert --quiet $heic $work/heif-convert.y4m"
  "$cli convert $avif - --format bmp" "avifdec $avif $work/avifdec.y4m")
# The poster by the pixel path, as an edited picture takes it: the photo as a BMP, whose pixels
# go into the PDF compressed once.
if [ -n "${plakativ_box:-}" ]; then
  names+=("${dot_names[@]}")
  cmds+=("${dot_cmds[@]}")
fi
# A vector page of A0: the scalable icon of Debian's imagemagick-6.q16 (some thousand paths and
# gradients) scaled with its aspect onto A0 and made a PDF by our own conversion (kept in the
# cache). The poster at the page's size on A4 against pdfposter and plakativ making the same grid
# of sheets from the same PDF, all three keeping the vectors.
vector_svg=/usr/share/icons/hicolor/scalable/apps/display-im6.q16.svgz
plan="$cache/plan-a0-v1.pdf"
if [ ! -s "$plan" ] && [ -s "$vector_svg" ]; then
  zcat "$vector_svg" | sed -e '0,/width="683.62323"/s//width="841mm" viewBox="0 0 683.62323 707.54388"/' \
    -e '0,/height="707.54388"/s//height="1189mm"/' >"$work/plan-a0.svg"
  "$root/build-bench/svg-to-pdf" "$work/plan-a0.svg" "$plan"
fi
if [ -s "$plan" ] && grep -q -- '--page N' <<<"$cli_help"; then
  vector_poster="$cli poster $plan --paper A4 --dpi 600 -o $work/vector-poster.pdf"
  # shellcheck disable=SC2086  # split into words, as hyperfine -N does
  vector_grid=$($vector_poster | sed -n 's/^Poster: \([0-9]*\) x \([0-9]*\) .*/\1 \2/p')
  # shellcheck disable=SC2086  # two words
  set -- ${vector_grid:-5 5}
  names+=(cli-vector-poster pdfposter-vector plakativ-vector)
  cmds+=("$vector_poster" "pdfposter -m a4 -p ${1}x${2}a4 $plan $work/pdfposter-vector.pdf"
    "plakativ --size $(($1 * 210))x$(($2 * 297))mm --pagesize 210mmx297mm --border 0 -o $work/plakativ-vector.pdf $plan")
fi
# Brightness 20 and contrast 120 against the linear stretch that comes closest, (v + 20 - 127.5)
# x 1.25 + 127.5, which is gm's -level from 2% to 82%.
names+=(cli-tones gm-level)
cmds+=("$cli convert $work/in.bmp --brightness 20 --contrast 120 $work/cli-tones.bmp"
  "gm convert $work/in.bmp -level 2%,1.0,82% $work/gm-level.bmp")
# "Stark Weichzeichnen" (all ones / 25) against vips' integer convolution with the same mask.
printf '5 5 25 0\n1 1 1 1 1\n1 1 1 1 1\n1 1 1 1 1\n1 1 1 1 1\n1 1 1 1 1\n' >"$work/mask.mat"
names+=(cli-blur vips-blur)
cmds+=("$cli convert $work/in.bmp --filter 3 $work/cli-blur.bmp"
  "vips conv $work/in.bmp $work/vips-blur.v $work/mask.mat --precision integer")
# Colour depth to 8 bits against ImageMagick: optimised palette with Floyd-Steinberg against its
# quantiser with the same diffusion, the standard palette's ordered dither against its 8 x 8
# ordered dither on six levels, and the optimised palette by nearest colour against the quantiser
# without dithering.
depth_names=(depth-fs depth-ordered depth-nearest)
depth_cli=("--depth 8" "--depth 8 --palette standard --method ordered" "--depth 8 --method nearest")
depth_im=("-dither FloydSteinberg -colors 256" "-ordered-dither o8x8,6" "+dither -colors 256")
for i in "${!depth_names[@]}"; do
  names+=("cli-${depth_names[$i]}" "im-${depth_names[$i]}")
  cmds+=("$cli convert $work/in.bmp ${depth_cli[$i]} $work/cli-${depth_names[$i]}.bmp"
    "convert $work/in.bmp ${depth_im[$i]} $work/im-${depth_names[$i]}.bmp")
done

args=()
for i in "${!names[@]}"; do args+=(-n "${names[$i]}" "${cmds[$i]}"); done
json="$cache/peers.json"
echo "== hyperfine ($runs runs each after one warm-up)"
hyperfine -N --warmup 1 --runs "$runs" --export-json "$json" "${args[@]}"

echo "== Peak memory (one run each)"
for i in "${!names[@]}"; do
  if [ "${names[$i]}" = cli-poster ]; then
    kb=$(cat "$work/poster.kb")
  else
    # shellcheck disable=SC2086  # as above
    kb=$(/usr/bin/time -f %M ${cmds[$i]} 2>&1 >/dev/null | tail -1)
  fi
  echo "$kb" >"$work/${names[$i]}.kb"
  printf '  %-11s %6d MiB\n' "${names[$i]}" $((kb / 1024))
done
pages() { pdfinfo "$1" | awk '/^Pages:/ { print $2 }'; }
[ -e "$work/poster.pdf" ] && echo "  (poster.pdf: $(pages "$work/poster.pdf") pages," \
  "pdfposter.pdf: $(pages "$work/pdfposter.pdf") pages, plakativ.pdf: $(pages "$work/plakativ.pdf") pages)"

# Faster must not mean different: the same pixels as djpeg decodes, and a PNG others accept.
echo "== Same pixels as djpeg"
djpeg -ppm "$photo" | tail -c $((6000 * 4000 * 3)) >"$work/djpeg.rgb"
same() { cmp -s "$1" "$work/djpeg.rgb" && echo yes || echo NO; }
echo "  BMP: $(same <(convert "$work/cli.bmp" rgb:-))   PNG: $(same <(convert "$work/cli.png" rgb:-))" \
  "  pngcheck: $(pngcheck -q "$work/cli.png" >/dev/null && echo OK || echo FAILED)"
echo "  JPEG XL as djxl decodes it: $(cmp -s <(convert "$work/cli-jxl.bmp" rgb:-) <(convert "$work/djxl.ppm" rgb:-) &&
  echo yes || echo NO)"

# Turns, mirrors and crops copy pixels: they must give exactly the peers' pixels.
echo "== Same pixels as the peers"
rgb() { convert "$1" rgb:- | md5sum | cut -c1-32; }
for pair in "cli-rotate gm-rotate" "cli-flip gm-flip" "cli-crop vips-crop"; do
  set -- $pair
  echo "  $1: $([ "$(rgb "$work/$1.bmp")" = "$(rgb "$work/$2.bmp")" ] && echo yes || echo NO)"
done
echo "  upright: $(cmp -s "$work/cli-upright.bmp" "$work/cli-rotate-jpg.bmp" && echo yes || echo NO)"

# Quality of the reductions: PSNR of each result against the 24-bit original (higher is closer).
echo "== PSNR against the 24-bit original (dB)"
psnr() { compare -metric PSNR "$work/in.bmp" "$1" null: 2>&1 || true; }
for d in "${depth_names[@]}"; do
  printf '  %-14s tessaro-cli %8s   ImageMagick %8s\n' "$d" "$(psnr "$work/cli-$d.bmp")" "$(psnr "$work/im-$d.bmp")"
done

echo "== Ratios (mean times of the run above)"
size() { stat -c %s "$1" 2>/dev/null || echo 0; }
python3 - "$json" "$(size "$work/cli.png")" "$(size "$work/vips.png")" "$(size "$work/poster.pdf")" \
  "$(cat "$work/poster.kb" 2>/dev/null || echo 0)" "$(size "$work/plakativ.pdf")" \
  "$(cat "$work/plakativ.kb" 2>/dev/null || echo 0)" "$(size "$work/poster-pixels.pdf")" \
  "$(cat "$work/cli-poster-pixels.kb" 2>/dev/null || echo 0)" "$(cat "$work/cli-bmp-upright.kb")" \
  "$(cat "$work/cli-bmp.kb")" "$(size "$work/vector-poster.pdf")" "$(size "$work/pdfposter-vector.pdf")" \
  "$(size "$work/plakativ-vector.pdf")" <<'EOF'
import json, sys
mean = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
cli_png, vips_png, pdf, poster_kb, plakativ_pdf, plakativ_kb, pixels_pdf, pixels_kb, upright_kb, plain_kb = (
    int(a) for a in sys.argv[2:12])
vector_pdf, pdfposter_vector_pdf, plakativ_vector_pdf = (int(a) for a in sys.argv[12:15])
picture = 6000 * 4000 * 3  # the decoded photo
def line(what, value, target=None):
    verdict = "" if target is None else ("  PASS" if value <= target else "  FAIL") + f" (target <= {target})"
    print(f"  {what:<34} {value:6.2f}{verdict}")
line("convert to BMP / djpeg", mean["cli-bmp"] / mean["djpeg-bmp"], 1.3)
line("WebP to BMP / dwebp -ppm", mean["cli-webp-bmp"] / mean["dwebp-ppm"], 1.2)
line("upright / plain turned right", mean["cli-bmp-upright"] / mean["cli-bmp-rotate"], 1.0)
line("upright peak memory / untagged's", upright_kb / plain_kb, 1.2)
line("Display P3 JPEG / untagged, to BMP", mean["cli-bmp-p3"] / mean["cli-bmp-stdout"], 1.25)
line("JPEG XL to BMP / djxl to PPM", mean["cli-jxl"] / mean["djxl-ppm"], 1.2)
line("convert to PNG / vips copy", mean["cli-png"] / mean["vips-png"], 1.0)
line("PNG size / vips' PNG size", cli_png / vips_png, 1.1)
for op, peer in (("rotate", "gm"), ("flip", "gm"), ("crop", "vips"), ("resize", "vips")):
    line(f"--{op} / {peer}", mean[f"cli-{op}"] / mean[f"{peer}-{op}"], 1.0)
line("brightness+contrast / gm -level", mean["cli-tones"] / mean["gm-level"], 1.0)
line("Stark Weichzeichnen / vips conv", mean["cli-blur"] / mean["vips-blur"], 1.0)
line("8 bit optimised+fs / IM -colors", mean["cli-depth-fs"] / mean["im-depth-fs"], 0.5)
line("8 bit standard+ordered / IM o8x8,6", mean["cli-depth-ordered"] / mean["im-depth-ordered"], 1.0)
line("8 bit optimised+nearest / IM +dither", mean["cli-depth-nearest"] / mean["im-depth-nearest"], 0.5)
line("HEIC to BMP / heif-convert to y4m", mean["cli-heic"] / mean["heif-convert"], 1.2)
line("AVIF to BMP / avifdec to y4m", mean["cli-avif"] / mean["avifdec"], 1.2)
if "cli-poster" in mean:
    line("poster / pdfposter", mean["cli-poster"] / mean["pdfposter"])
    line("poster / plakativ", mean["cli-poster"] / mean["plakativ"], 1.0)
    line("poster PDF size / plakativ's", pdf / plakativ_pdf, 1.05)
    line("poster peak memory / plakativ's", poster_kb / plakativ_kb, 1.0)
    # The pixel path puts the picture into the PDF once; compressing it once is the floor.
    line("pixel poster PDF size / PNG size", pixels_pdf / cli_png, 1.1)
    line("pixel poster / convert to PNG", mean["cli-poster-pixels"] / mean["cli-png"], 1.3)
    line("pixel poster / plakativ", mean["cli-poster-pixels"] / mean["plakativ"])
    line("pixel poster peak memory / picture", pixels_kb * 1024 / picture, 2.0)
if "cli-vector-poster" in mean:
    line("A0 vector poster / pdfposter", mean["cli-vector-poster"] / mean["pdfposter-vector"])
    line("A0 vector poster / plakativ", mean["cli-vector-poster"] / mean["plakativ-vector"])
    line("A0 vector PDF size / pdfposter's", vector_pdf / pdfposter_vector_pdf)
    line("A0 vector PDF size / plakativ's", vector_pdf / plakativ_vector_pdf)
EOF
[ -e "$work/dot-poster.pdf" ] && dot_ratios "$json"

# JPEG to PNG as the picture grows: the photo made 1, 16, 64 and 256 megapixels large by vips
# (kept in the cache), and a smooth 256 one, the photo made 1 megapixel and then 16 times wider
# and higher, against vips copy at compression 1, all side by side in one run. The cost must grow
# no faster than the picture (target: at most 1.2 times vips' time at every size).
echo "== JPEG to PNG from 1 to 256 megapixels vs vips copy [compression=1]"
sizes=(1 16 64 256 256s)
grow_args=()
for mp in "${sizes[@]}"; do
  big="$cache/landscape-${mp}mp-v1.jpg"
  if [ ! -s "$big" ]; then
    if [ "$mp" = 256s ]; then
      vips resize "$cache/landscape-1mp-v1.jpg" "$big.part.jpg[Q=90]" 16
    else
      vips resize "$photo" "$big.part.jpg[Q=90]" "$(awk -v mp="$mp" 'BEGIN { print sqrt(mp / 24) }')"
    fi
    mv "$big.part.jpg" "$big"
  fi
  grow_args+=(-n "cli-${mp}mp" "$cli convert $big $work/cli-${mp}mp.png"
    -n "vips-${mp}mp" "vips copy $big $work/vips-${mp}mp.png[compression=1]")
done
hyperfine -N --warmup 1 --runs "$runs" --export-json "$cache/peers-grow.json" "${grow_args[@]}"
for mp in "${sizes[@]}"; do
  echo "$mp $(stat -c %s "$work/cli-${mp}mp.png") $(stat -c %s "$work/vips-${mp}mp.png")"
done | python3 -c '
import json, sys
mean = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
for row in sys.stdin:
    mp, ours, theirs = row.split()
    ours, theirs = int(ours), int(theirs)
    cli, vips = mean[f"cli-{mp}mp"], mean[f"vips-{mp}mp"]
    ratio = cli / vips
    print(f"  {mp:>4} MP  {cli:7.2f} s / {vips:7.2f} s = {ratio:5.2f}",
          "PASS" if ratio <= 1.2 else "FAIL", "(target <= 1.2)",
          f"  PNG {ours / 1e6:7.1f} MB, vips {theirs / 1e6:7.1f} MB ({ours / theirs:4.2f})")
' "$cache/peers-grow.json"
rm -f "$work"/cli-*mp.png "$work"/vips-*mp.png

# The poster of an unchanged JPEG, whose own data goes into the PDF, from 1 to 256 megapixels
# against plakativ on the same box of A4 sheets: time and peak memory at most plakativ's, and
# our memory grows with the file read once, not with the picture.
if [ -n "${plakativ_box:-}" ]; then
  echo "== Poster from 1 to 256 megapixels vs plakativ"
  poster_args=()
  for mp in 1 16 64 256; do
    big="$cache/landscape-${mp}mp-v1.jpg"
    poster_args+=(-n "cli-${mp}mp" "$cli poster $big --across 10 --paper A4 --dpi 600 -o $work/cli-${mp}mp.pdf"
      -n "plakativ-${mp}mp" "plakativ $plakativ_box --border 0 -o $work/plakativ-${mp}mp.pdf $big")
  done
  # plakativ refuses pictures above PIL's decompression-bomb limit (179 megapixels): its failure
  # is told, not timed.
  hyperfine -N -i --warmup 1 --runs "$runs" --export-json "$cache/peers-poster.json" "${poster_args[@]}"
  for mp in 1 16 64 256; do
    big="$cache/landscape-${mp}mp-v1.jpg"
    rm -f "$work/plakativ-${mp}mp.pdf"
    # shellcheck disable=SC2086  # split into words
    echo "$mp $(stat -c %s "$big")" \
      "$(/usr/bin/time -f %M $cli poster $big --across 10 --paper A4 --dpi 600 -o $work/cli-${mp}mp.pdf 2>&1 >/dev/null | tail -1)" \
      "$(/usr/bin/time -f %M plakativ $plakativ_box --border 0 -o $work/plakativ-${mp}mp.pdf $big 2>&1 >/dev/null | tail -1)" \
      "$([ -s "$work/plakativ-${mp}mp.pdf" ] && echo 1 || echo 0)"
  done | python3 -c '
import json, sys
mean = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
rows = [[int(v) for v in row.split()] for row in sys.stdin]
for mp, file, ours, theirs, made in rows:
    if not made:
        alone = mean[f"cli-{mp}mp"]
        print(f"  {mp:>4} MP  time {alone:5.2f} s, peak {ours / 1024:6.1f} MiB; plakativ refuses the picture")
        continue
    t = mean[f"cli-{mp}mp"] / mean[f"plakativ-{mp}mp"]
    m = ours / theirs
    print(f"  {mp:>4} MP  time {t:5.2f}", "PASS" if t <= 1 else "FAIL",
          f"  peak {ours / 1024:6.1f} / {theirs / 1024:6.1f} MiB = {m:4.2f}", "PASS" if m <= 1 else "FAIL", "(targets <= 1.0)")
# From the smallest to the largest, our peak may grow by the file read once (and a tenth more).
(_, file0, ours0, _, _), (_, file1, ours1, _, _) = rows[0], rows[-1]
growth = (ours1 - ours0) * 1024 / (file1 - file0)
print(f"  peak growth / file growth {growth:5.2f}", "PASS" if growth <= 1.1 else "FAIL", "(target <= 1.1)")
' "$cache/peers-poster.json"
  rm -f "$work"/cli-*mp.pdf "$work"/plakativ-*mp.pdf
fi

# Scanning: a 300 dpi A4 colour scan from SANE's test backend into a picture, against scanimage
# writing the same scan to a PNM file, in a hyperfine run of their own (target: at most 1.2 times
# scanimage's time), and the same pixels in both. Both run under `timeout`: the test backend ends
# its reader thread with an asynchronous cancel, which can leave the loader's lock taken and hang
# the process. Our scanner waits for that thread before the last line (see SaneScanner.cpp);
# scanimage does not.
echo "== Scan: 300 dpi A4 colour from test:0 into a picture vs scanimage to PNM"
if command -v scanimage >/dev/null; then
  sane="$work/sane"
  mkdir -p "$sane"
  echo test >"$sane/dll.conf"
  printf 'number_of_devices 1\ngeometry_max 300.0\n' >"$sane/test.conf"
  scan_opts=(mode=Color depth=8 resolution=300 "test-picture=Color pattern" tl-x=0 tl-y=0 br-x=210 br-y=297)
  # scanimage names the area by its corner, width and height.
  scan_args=(--mode=Color --depth=8 --resolution=300 "--test-picture=Color pattern" -l 0 -t 0 -x 210 -y 297)
  # scanimage itself hangs now and then (see above): failed runs are let through and the medians
  # compared, but every run of ours must end well.
  SANE_CONFIG_DIR="$sane" hyperfine -N -i --warmup 1 --runs "$((runs * 3))" --export-json "$cache/peers-scan.json" \
    -n scan-to-picture "timeout 10 $root/build-bench/scan-to-picture test:0 ${scan_opts[*]// /\\ }" \
    -n scanimage "timeout 10 scanimage -d test:0 ${scan_args[*]// /\\ } -o $work/scanimage.pnm"
  SANE_CONFIG_DIR="$sane" "$root/build-bench/scan-to-picture" test:0 "${scan_opts[@]}" -o "$work/scan.bmp" >/dev/null
  echo "  same pixels as scanimage: $([ "$(rgb "$work/scan.bmp")" = "$(rgb "$work/scanimage.pnm")" ] && echo yes || echo NO)"
  python3 - "$cache/peers-scan.json" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
ours, peer = results["scan-to-picture"], results["scanimage"]
ratio = ours["median"] / peer["median"]
ok = ratio <= 1.2 and not any(ours["exit_codes"])
print(f"  {'scan into picture / scanimage':<34} {ratio:6.2f}  {'PASS' if ok else 'FAIL'} (target <= 1.2, medians)")
print(f"  runs that did not end well: ours {sum(1 for c in ours['exit_codes'] if c)}, "
      f"scanimage {sum(1 for c in peer['exit_codes'] if c)} of {len(peer['exit_codes'])}")
PY
else
  echo "  scanimage missing (sane-utils): skipped"
fi

# Each filter against the floor of any operation that makes a new picture of the same size: a
# memcpy of the picture's bytes into a freshly allocated one, whose pages are touched for the
# first time as the filter's result pages are. Best rounds of one run of bench_filters, 6000 x 4000.
echo "== Filters / memcpy into a fresh picture (best of the rounds; target <= 2)"
"$root/build-bench/bench_filters" --benchmark_min_time=1 2>/dev/null |
  awk '/x_memcpy=/ { split($0, a, "x_memcpy="); split(a[2], b, " "); name = substr(a[2], length(b[1]) + 2)
    printf "  %-26s %6.2f  %s\n", name, b[1], (b[1] <= 2 ? "PASS" : "FAIL") }'
