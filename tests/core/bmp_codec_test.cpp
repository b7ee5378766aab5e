#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "picture/CodecRegistry.h"
#include "picture/codecs/Codecs.h"
#include "support/ReferenceImage.h"
#include "support/TestData.h"

using namespace tessaro;
using namespace tessaro::test;
using Bytes = std::vector<uint8_t>;

namespace {

// A picture whose pixels mix long runs and noise, so run-length coding meets every case, and
// whose colour table is deliberately not in any sorted order.
TDib makePicture(int w, int h, int bits) {
  TDib d = newdib(w, h, bits, nullptr, 0);
  if (bits <= 8)
    for (int i = 0; i < (1 << bits); ++i)
      d.colors()[i] = RgbQuad{uint8_t(i * 37 + 11), uint8_t(255 - i * 13), uint8_t(i * 101 + 7), 0};
  syncPaletteFromColors(d, bits <= 8 ? 1 << bits : 0);
  const int32_t mask = bits == 24 ? 0xffffff : (1 << bits) - 1;
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245 + 12345;
      const bool run = (x / 9 + y) % 3 != 0;
      setpixel(d, x, y, static_cast<int32_t>(run ? (y * 5 + x / 9) * 0x10305 : seed >> 8) & mask);
    }
  return d;
}

Bytes encodeWith(const Codec& c, const TDib& d) {
  MemoryOutputStream out;
  EXPECT_TRUE(c.encode(d, out));
  return out.data();
}

TDib decodeBytes(const Bytes& b, const ProgressFn& progress = {}) {
  MemoryInputStream in(b);
  return bmpCodec().decode(in, progress);
}

void expectSamePicture(const TDib& a, const TDib& b, const std::string& what) {
  ASSERT_FALSE(a.empty()) << what;
  ASSERT_FALSE(b.empty()) << what;
  ASSERT_EQ(DibWidth(a), DibWidth(b)) << what;
  ASSERT_EQ(DibHeight(a), DibHeight(b)) << what;
  ASSERT_EQ(DibBitCount(a), DibBitCount(b)) << what;
  for (int y = 0; y < DibHeight(a); ++y)
    for (int x = 0; x < DibWidth(a); ++x) ASSERT_EQ(getpixel(a, x, y), getpixel(b, x, y)) << what << " at " << x << "," << y;
  if (DibBitCount(a) <= 8)
    for (int i = 0; i < DibColors(a); ++i) {
      EXPECT_EQ(a.colors()[i].rgbRed, b.colors()[i].rgbRed) << what << " entry " << i;
      EXPECT_EQ(a.colors()[i].rgbGreen, b.colors()[i].rgbGreen) << what << " entry " << i;
      EXPECT_EQ(a.colors()[i].rgbBlue, b.colors()[i].rgbBlue) << what << " entry " << i;
    }
}

uint32_t rd32(const Bytes& b, size_t at) { return le32(b.data() + at); }
void wr16(Bytes& b, size_t at, uint16_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
void wr32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

std::string writeTemp(const std::string& name, const Bytes& b) {
  const std::string path = tempPath(name);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  return path;
}

Bytes readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

// A BITMAPINFOHEADER file with the given table and pixel block, for variants our writer never makes.
Bytes buildFile(int w, int h, int bits, uint32_t compression, const Bytes& extra, const Bytes& pixels,
                uint32_t clrUsed = 0) {
  Bytes b;
  b.reserve(54 + extra.size() + pixels.size());
  b.resize(54);
  b[0] = 'B';
  b[1] = 'M';
  wr32(b, 10, uint32_t(54 + extra.size()));
  wr32(b, 14, 40);
  wr32(b, 18, uint32_t(w));
  wr32(b, 22, uint32_t(h));
  wr16(b, 26, 1);
  wr16(b, 28, uint16_t(bits));
  wr32(b, 30, compression);
  wr32(b, 34, uint32_t(pixels.size()));
  wr32(b, 46, clrUsed);
  b.insert(b.end(), extra.begin(), extra.end());
  b.insert(b.end(), pixels.begin(), pixels.end());
  wr32(b, 2, uint32_t(b.size()));
  return b;
}

Bytes grayTable(int n) {
  Bytes t;
  for (int i = 0; i < n; ++i) t.insert(t.end(), {uint8_t(i * 3), uint8_t(i * 5), uint8_t(i * 7), 0});
  return t;
}

}  // namespace

TEST(BmpCodec, RoundTripsEveryDepthAndWidthThroughBothWriters) {
  for (const Codec* codec : {&bmpCodec(), &rleBmpCodec()})
    for (int bits : {1, 4, 8, 24})
      for (int w : {1, 2, 3, 5, 17, 300, 601}) {
        const std::string what = codec->name() + " " + std::to_string(bits) + " bits, width " + std::to_string(w);
        TDib src = makePicture(w, 7, bits);
        const Bytes file = encodeWith(*codec, src);
        const bool rle = codec == &rleBmpCodec() && (bits == 4 || bits == 8);
        const uint32_t colors = bits <= 8 ? 1u << bits : 0;
        ASSERT_EQ(rd32(file, 2), file.size()) << what;
        EXPECT_EQ(rd32(file, 10), 54 + 4 * colors) << what;
        EXPECT_EQ(rd32(file, 30), rle ? (bits == 8 ? 1u : 2u) : 0u) << what;
        EXPECT_EQ(rd32(file, 34), file.size() - rd32(file, 10)) << what;
        if (!rle) EXPECT_EQ(rd32(file, 34), src.pixelBytes()) << what;
        EXPECT_EQ(rd32(file, 46), colors) << what;
        expectSamePicture(src, decodeBytes(file), what);
      }
}

TEST(BmpCodec, RunLengthCodingShrinksRunsAndKeepsNoisyRowsExact) {
  TDib flat = newdib(1000, 10, 8, nullptr, 0);  // runs longer than one count byte
  for (int x = 300; x < 700; ++x) setpixel(flat, x, 4, 200);
  const Bytes file = encodeWith(rleBmpCodec(), flat);
  EXPECT_LT(rd32(file, 34), 200u);
  expectSamePicture(flat, decodeBytes(file), "flat rle8");
  TDib flat4 = newdib(999, 3, 4, nullptr, 0);
  for (int x = 0; x < 999; x += 2) setpixel(flat4, x, 1, 9);
  expectSamePicture(flat4, decodeBytes(encodeWith(rleBmpCodec(), flat4)), "alternating rle4");
}

TEST(BmpCodec, ImageMagickReadsWhatWeWrite) {
  for (const Codec* codec : {&bmpCodec(), &rleBmpCodec()})
    for (int bits : {1, 4, 8, 24}) {
      const std::string what = codec->name() + std::to_string(bits);
      TDib src = makePicture(37, 11, bits);
      src.Dpi = {300, 150};  // 11811 and 5906 pixels per metre, within 0.0127 dpi
      const std::string path = writeTemp("ours" + what + ".bmp", encodeWith(*codec, src));
      const auto ref = referenceDecode(path);
      ASSERT_TRUE(ref.has_value()) << what;
      EXPECT_EQ(maxChannelDifference(dibToRgb(src), *ref), 0) << what;
      const Resolution refDpi = referenceResolution(path);
      EXPECT_NEAR(refDpi.x, 300, 0.0127) << what;
      EXPECT_NEAR(refDpi.y, 150, 0.0127) << what;
      EXPECT_NEAR(OpenDib(path, 0, {}).Dpi.x, refDpi.x, 1e-4) << what;
    }
}

TEST(BmpCodec, ReadsWhatImageMagickWrites) {
  struct Case {
    std::string args;  // convert options
    std::string ext;   // the output's extension picks the header version
    int bits;          // the depth we keep
    int tolerance;     // 16-bit channels may be widened differently by one step
  };
  const Case cases[] = {
      {"", "bmp3", 24, 0},
      {"", "bmp", 24, 0},   // 124-byte header
      {"", "bmp2", 24, 0},  // OS/2 1.x core header
      {"-type Palette", "bmp3", 8, 0},
      {"-type Palette", "bmp2", 4, 0},
      {"-colors 16 -type Palette", "bmp3", 4, 0},
      {"-type Bilevel", "bmp3", 1, 0},
      {"-type Palette -compress RLE", "bmp3", 8, 0},
      {"-define bmp:subtype=RGB565", "bmp", 24, 1},
      {"-define bmp:subtype=RGB555", "bmp", 24, 1},
  };
  RgbImage img;
  img.width = 23;
  img.height = 9;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      const bool few = x < 11;  // a few colours on the left keep the palette variants small
      img.rgb.insert(img.rgb.end(), {uint8_t(few ? 40 * (x % 3) : x * 11), uint8_t(few ? 90 : y * 28),
                                     uint8_t(few ? 200 : (x * y) % 256)});
    }
  RgbImage bilevel = img;
  for (auto& c : bilevel.rgb) c = c > 100 ? 255 : 0;
  int n = 0;
  for (const Case& c : cases) {
    const std::string what = c.args + " ." + c.ext;
    const std::string path = tempPath("im" + std::to_string(n++) + "." + c.ext);
    RgbImage in = img;
    if (c.bits == 1) in = bilevel;
    if (c.bits == 4 && c.ext == "bmp2") {  // the few-colour columns only
      in.width = 11;
      in.rgb.clear();
      for (int y = 0; y < img.height; ++y)
        in.rgb.insert(in.rgb.end(), img.rgb.begin() + y * img.width * 3, img.rgb.begin() + (y * img.width + 11) * 3);
    }
    ASSERT_TRUE(referenceEncode(in, path, c.args)) << what;
    const auto ref = referenceDecode(path);
    ASSERT_TRUE(ref.has_value()) << what;
    TDib d = OpenDib(path, 0, {});
    ASSERT_FALSE(d.empty()) << what;
    EXPECT_EQ(DibBitCount(d), c.bits) << what;
    EXPECT_EQ(d.HasPalette, c.bits <= 8 ? 1 : 0) << what;
    EXPECT_EQ(d.Palette != nullptr, c.bits <= 8) << what;
    EXPECT_LE(maxChannelDifference(dibToRgb(d), *ref), c.tolerance) << what;
  }
}

TEST(BmpCodec, OddMasksAndDepthsAgreeWithImageMagick) {
  struct Case {
    int bits;
    std::array<uint32_t, 3> masks;  // all zero: no masks, BI_RGB
  };
  const Case cases[] = {
      {32, {0x3ff00000, 0x000ffc00, 0x000003ff}},  // ten bits a channel
      {32, {0x000000ff, 0x0000ff00, 0x00ff0000}},  // red in the low byte
      {16, {0x001f, 0x03e0, 0x7c00}},  // red and blue swapped
      {16, {0xf800, 0x07e0, 0x001f}},
      {32, {0, 0, 0}},
      {16, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    const int w = 13, h = 6, bpp = c.bits / 8;
    const int row = (w * bpp + 3) & ~3;
    Bytes pixels(size_t(row * h));
    uint32_t seed = 99;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        seed = seed * 1664525 + 1013904223;
        uint32_t v = seed;
        if (c.bits == 32 && c.masks[0] == 0) v &= 0x00ffffff;  // no alpha for ImageMagick to flatten
        for (int i = 0; i < bpp; ++i) pixels[size_t(y * row + x * bpp + i)] = uint8_t(v >> (8 * i));
      }
    Bytes masks;
    if (c.masks[0])
      for (uint32_t m : c.masks) masks.insert(masks.end(), {uint8_t(m), uint8_t(m >> 8), uint8_t(m >> 16), uint8_t(m >> 24)});
    const Bytes file = buildFile(w, h, c.bits, c.masks[0] ? 3 : 0, masks, pixels);
    const std::string what = std::to_string(c.bits) + " bits, red mask " + std::to_string(c.masks[0]);
    const auto ref = referenceDecode(writeTemp("mask.bmp", file));
    ASSERT_TRUE(ref.has_value()) << what;
    TDib d = decodeBytes(file);
    ASSERT_FALSE(d.empty()) << what;
    EXPECT_EQ(DibBitCount(d), 24);
    EXPECT_EQ(d.HasPalette, 0);
    EXPECT_LE(maxChannelDifference(dibToRgb(d), *ref), 1) << what;
  }
}

TEST(BmpCodec, TopDownAndPackedFilesGiveTheSamePicture) {
  for (int bits : {1, 4, 8, 24}) {
    TDib src = makePicture(19, 8, bits);
    const Bytes file = encodeWith(bmpCodec(), src);
    const size_t off = rd32(file, 10);
    const size_t row = size_t(src.RowBytes);
    Bytes topDown = file;
    wr32(topDown, 22, uint32_t(-8));
    for (size_t y = 0; y < 8; ++y)
      std::memcpy(topDown.data() + off + y * row, file.data() + off + (7 - y) * row, row);
    expectSamePicture(src, decodeBytes(topDown), "top-down " + std::to_string(bits));
    const auto ref = referenceDecode(writeTemp("topdown.bmp", topDown));
    ASSERT_TRUE(ref.has_value());
    EXPECT_EQ(maxChannelDifference(dibToRgb(src), *ref), 0) << "ImageMagick reads our top-down file alike";

    const Bytes packed(file.begin() + 14, file.end());
    expectSamePicture(src, decodeBytes(packed), "packed " + std::to_string(bits));
    const std::string dibPath = writeTemp("packed" + std::to_string(bits) + ".dib", packed);
    expectSamePicture(src, OpenDib(dibPath, 0, {}), "packed through OpenDib");
  }
}

TEST(BmpCodec, ShortColourTablesLeaveTheRestBlack) {
  const Bytes pixels = {0, 1, 2, 3, 4, 5, 6, 7};
  const Bytes file = buildFile(8, 1, 8, 0, grayTable(3), pixels, 3);
  TDib d = decodeBytes(file);
  ASSERT_FALSE(d.empty());
  EXPECT_EQ(d.LogPalette.palNumEntries, 256);
  EXPECT_EQ(d.colors()[2].rgbGreen, 10);  // blue, green, red as stored
  EXPECT_EQ(d.LogPalette.palPalEntry[2].peRed, 14);
  for (int i = 3; i < 256; ++i) EXPECT_EQ(d.colors()[i].rgbBlue + d.colors()[i].rgbGreen + d.colors()[i].rgbRed, 0);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(getpixel(d, x, 0), x);
}

TEST(BmpCodec, RunLengthEscapesSkipPixelsThatStayZero) {
  // 8 x 4 RLE8: a run, an end of line, a delta over part of a row, an odd absolute run with
  // its padding byte, then the end of the bitmap before the top row.
  const Bytes rle8 = {3, 5, 0, 0, 0, 2, 2, 1, 2, 7, 0, 3, 9, 8, 6, 0, 0, 1};
  TDib d = decodeBytes(buildFile(8, 4, 8, 1, grayTable(256), rle8));
  ASSERT_FALSE(d.empty());
  const int want8[4][8] = {{0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 7, 7, 9, 8, 6, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, {5, 5, 5, 0, 0, 0, 0, 0}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(getpixel(d, x, y), want8[y][x]) << x << "," << y;

  // RLE4: a run alternates its two nibbles; an absolute run of 5 pixels takes 3 bytes + pad.
  const Bytes rle4 = {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1};
  TDib f = decodeBytes(buildFile(6, 2, 4, 2, grayTable(16), rle4));
  ASSERT_FALSE(f.empty());
  const int want4[2][6] = {{3, 4, 5, 6, 7, 0}, {1, 2, 1, 2, 1, 0}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(getpixel(f, x, y), want4[y][x]) << x << "," << y;
}

TEST(BmpCodec, RunsIntoTheRowPaddingAreDroppedAndBeyondItRefused) {
  // Some writers code a 3-pixel row as 4 pixels, its padding included.
  TDib d = decodeBytes(buildFile(3, 1, 8, 1, grayTable(256), {4, 9, 0, 1}));
  ASSERT_FALSE(d.empty());
  for (int x = 0; x < 3; ++x) EXPECT_EQ(getpixel(d, x, 0), 9);
  EXPECT_EQ(d.Bits[3], 0) << "padding stays clean";
  EXPECT_TRUE(decodeBytes(buildFile(3, 1, 8, 1, grayTable(256), {5, 9, 0, 1})).empty());
  EXPECT_TRUE(decodeBytes(buildFile(3, 1, 8, 1, grayTable(256), {0, 5, 1, 2, 3, 4, 5, 0, 0, 1})).empty());
}

TEST(BmpCodec, RunLengthDataWithoutAnyPixelIsRefused) {
  // 4 x 3 pictures. Data that only skips holds no picture; data that stops early after real
  // pixels loads, the rest staying 0. `bottomLeft` is the first pixel of the bottom row.
  struct Case {
    const char* name;
    int bits;
    Bytes data;
    int bottomLeft;  // -1: refused
  };
  const Case cases[] = {
      {"no data at all", 8, {}, -1},
      {"end of bitmap at once", 8, {0, 1}, -1},
      {"RLE4 end of bitmap at once", 4, {0, 1}, -1},
      {"ends of line up to the top", 8, {0, 0, 0, 0, 0, 0}, -1},
      {"ends of line, then end of bitmap", 8, {0, 0, 0, 0, 0, 1}, -1},
      {"a delta to the top, then end of bitmap", 8, {0, 2, 1, 3, 0, 1}, -1},
      {"one run, then end of bitmap", 8, {2, 9, 0, 1}, 9},
      {"one RLE4 run, then end of bitmap", 4, {2, 0x9a, 0, 1}, 9},
      {"a delta to the top row, a run, end of bitmap", 8, {0, 2, 0, 2, 1, 6, 0, 1}, 0},
      {"an absolute run, then only ends of line", 8, {0, 3, 7, 8, 9, 0, 0, 0, 0, 0, 0, 0}, 7},
  };
  for (const Case& c : cases) {
    TDib d = decodeBytes(buildFile(4, 3, c.bits, c.bits == 8 ? 1 : 2, grayTable(1 << c.bits), c.data));
    EXPECT_EQ(d.empty(), c.bottomLeft < 0) << c.name;
    if (!d.empty()) EXPECT_EQ(getpixel(d, 0, 2), c.bottomLeft) << c.name;
  }
}

TEST(BmpCodec, NarrowMaskChannelsSpanTheFullRange) {
  const Bytes masks = {0x00, 0x0f, 0, 0, 0xf0, 0, 0, 0, 0x0f, 0, 0, 0};  // 4 bits a channel
  TDib d = decodeBytes(buildFile(2, 1, 16, 3, masks, {0xff, 0x0f, 0x00, 0x00}));
  ASSERT_FALSE(d.empty());
  EXPECT_EQ(getpixel(d, 0, 0), 0xffffff);
  EXPECT_EQ(getpixel(d, 1, 0), 0);
}

namespace {

// Every way a file is refused; each starts from a valid file.
struct Broken {
  std::string name;
  int bits;
  bool rle;
  std::function<void(Bytes&)> damage;
};

std::vector<Broken> brokenCases() {
  const auto cut = [](size_t n) { return [n](Bytes& b) { b.resize(std::min(b.size(), n)); }; };
  const auto set32 = [](size_t at, uint32_t v) { return [at, v](Bytes& b) { wr32(b, at, v); }; };
  const auto set16 = [](size_t at, uint16_t v) { return [at, v](Bytes& b) { wr16(b, at, v); }; };
  return {
      {"empty", 8, false, cut(0)},
      {"only the signature", 8, false, cut(2)},
      {"cut in the file header", 8, false, cut(10)},
      {"cut in the info header", 8, false, cut(30)},
      {"cut in the colour table", 8, false, cut(300)},
      {"last pixel byte missing", 24, false, [](Bytes& b) { b.resize(b.size() - b.size() % 4 - 5); }},
      {"half the rows", 8, false, [](Bytes& b) { b.resize(b.size() / 2 + 600); }},
      {"pixel offset past the end", 24, false, set32(10, 0x7fffffff)},
      {"pixel offset inside the header", 8, false, set32(10, 20)},
      {"header size 0", 8, false, set32(14, 0)},
      {"header size 200", 8, false, set32(14, 200)},
      {"header size huge", 8, false, set32(14, 0xfffffff0)},
      {"width 0", 8, false, set32(18, 0)},
      {"width negative", 24, false, set32(18, uint32_t(-5))},
      {"height 0", 8, false, set32(22, 0)},
      {"height most negative", 8, false, set32(22, 0x80000000u)},
      {"over the pixel limit", 24, false, [](Bytes& b) { wr32(b, 18, 60000); wr32(b, 22, 60000); }},
      {"width past the limit", 1, false, set32(18, 0x7fffffff)},
      {"taller than the data", 24, false, set32(22, 4000)},
      {"depth 7", 8, false, set16(28, 7)},
      {"depth 0", 8, false, set16(28, 0)},
      {"unknown compression", 8, false, set32(30, 9)},
      {"RLE8 on a 4-bit picture", 4, false, set32(30, 1)},
      {"bitfields on 24 bits", 24, false, set32(30, 3)},
      {"huge colour count", 8, false, set32(46, 0xffffffff)},
      {"top-down RLE", 8, true, set32(22, uint32_t(-20))},
      {"RLE cut short", 8, true, [](Bytes& b) { b.resize(rd32(b, 10) + 40); }},
      {"RLE run past the row", 8, true, [](Bytes& b) { b[rd32(b, 10)] = 255; }},
      {"RLE delta past the picture", 8, true,
       [](Bytes& b) { b.insert(b.begin() + rd32(b, 10), {0, 2, 0, 255}); }},
      {"RLE lines past the top", 8, true,
       [](Bytes& b) { b.resize(b.size() - 2); for (int i = 0; i < 30; ++i) b.insert(b.end(), {0, 0}); b.insert(b.end(), {4, 1}); }},
      {"RLE4 absolute run past the row", 4, true,
       [](Bytes& b) { b.insert(b.begin() + rd32(b, 10), {0, 250, 1, 2}); }},
  };
}

// A 16-bit bit-field file with the given masks, for the mask checks.
Bytes maskFile(uint32_t r, uint32_t g, uint32_t b) {
  Bytes masks;
  for (uint32_t m : {r, g, b}) masks.insert(masks.end(), {uint8_t(m), uint8_t(m >> 8), uint8_t(m >> 16), uint8_t(m >> 24)});
  return buildFile(3, 2, 16, 3, masks, Bytes(16, 0x5a));
}

}  // namespace

TEST(BmpCodec, RefusesMalformedFiles) {
  const Bytes goodMasks = maskFile(0xf800, 0x07e0, 0x001f);
  ASSERT_FALSE(decodeBytes(goodMasks).empty());
  for (const auto& [name, m] : std::vector<std::pair<std::string, Bytes>>{
           {"zero mask", maskFile(0, 0x07e0, 0x001f)},
           {"gap in a mask", maskFile(0xf000 | 0x0200, 0x01e0, 0x001f)},
           {"overlapping masks", maskFile(0xf800, 0x0fe0, 0x001f)},
           {"mask wider than the pixel", maskFile(0x1f0000, 0x07e0, 0x001f)},
       })
    EXPECT_TRUE(decodeBytes(m).empty()) << name;

  for (const Broken& c : brokenCases()) {
    TDib src = makePicture(150, 20, c.bits);
    Bytes file = encodeWith(c.rle ? rleBmpCodec() : bmpCodec(), src);
    ASSERT_FALSE(decodeBytes(file).empty()) << c.name << ": the file before the damage";
    c.damage(file);
    EXPECT_TRUE(decodeBytes(file).empty()) << c.name;
  }
}

TEST(BmpCodec, AcceptsALastRowWithoutItsPadding) {
  TDib src = makePicture(5, 4, 24);  // 15 pixel bytes in a 16-byte row
  Bytes file = encodeWith(bmpCodec(), src);
  file.pop_back();
  expectSamePicture(src, decodeBytes(file), "unpadded last row");
}

TEST(BmpCodec, KeptFixturesNeverCrashAndBadOnesAreRefused) {
  // bad_* are hand-made broken files that must be refused; fuzz_* are inputs that once crashed
  // the reader and must now give either a clean refusal or a picture we can write again.
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dataPath("bmp"))) {
    const std::string name = entry.path().filename().string();
    const Bytes data = readFile(entry.path().string());
    TDib d = decodeBytes(data);
    if (name.rfind("bad_", 0) == 0) EXPECT_TRUE(d.empty()) << name;
    if (!d.empty()) {
      MemoryOutputStream out;
      EXPECT_TRUE(bmpCodec().encode(d, out)) << name;
    }
    ++seen;
  }
  EXPECT_GT(seen, 0);
}

TEST(BmpCodec, ReportsProgressUpToTheLastRow) {
  for (const Codec* codec : {&bmpCodec(), &rleBmpCodec()}) {
    TDib src = makePicture(40, 120, 8);
    std::vector<int> seen;
    TDib d = decodeBytes(encodeWith(*codec, src), [&](int p) { seen.push_back(p); });
    ASSERT_FALSE(d.empty());
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 100) << codec->name();
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << codec->name();
  }
}

namespace {
class FailingOutput final : public OutputStream {
 public:
  explicit FailingOutput(size_t room) : room_(room) {}
  bool write(const void*, size_t n) override {
    if (n > room_) return false;
    room_ -= n;
    return true;
  }

 private:
  size_t room_;
};
}  // namespace

TEST(BmpCodec, EncoderReportsWriteFailuresAndRefusesUnknownPictures) {
  TDib src = makePicture(30, 30, 8);
  for (const Codec* codec : {&bmpCodec(), &rleBmpCodec()})
    for (size_t room : {size_t(0), size_t(20), size_t(1000)}) {
      FailingOutput out(room);
      EXPECT_FALSE(codec->encode(src, out)) << codec->name() << " " << room;
    }
  MemoryOutputStream out;
  EXPECT_FALSE(bmpCodec().encode(TDib(), out));
}

TEST(BmpCodec, RegistryOpensBmpAndRleFilesAndSavesEachFormat) {
  TDib src = makePicture(33, 17, 8);
  for (int32_t format : {kFormatBmp, kFormatDib, kFormatRle}) {
    const std::string path = tempPath("saved" + std::to_string(format) + (format == kFormatRle ? ".rle" : ".bmp"));
    ASSERT_TRUE(SaveDib(src, path, format, {})) << format;
    const Bytes file = readFile(path);
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(rd32(file, 30), format == kFormatRle ? 1u : 0u) << format;
    expectSamePicture(src, OpenDib(path, 0, {}), "saved format " + std::to_string(format));
  }
  EXPECT_FALSE(rleBmpCodec().probe(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("BM"), 2)));
  EXPECT_TRUE(OpenDib(tempPath("no-such-file.bmp"), 0, {}).empty());
  EXPECT_NE(GetDIBSaveFilter().find("*.rle"), std::string::npos);
}
