// PCX, TGA and IFF/LBM: samples written by independent encoders (ImageMagick, netpbm) and
// compared pixel by pixel with an independent decoder; our files read back by that decoder;
// broken files refused. ImageMagick has no ILBM support, so netpbm plays its part there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "picture/CodecRegistry.h"
#include "picture/codecs/Codecs.h"
#include "picture/codecs/IlbmCodec.h"
#include "picture/codecs/PcxCodec.h"
#include "picture/codecs/TgaCodec.h"
#include "support/ReferenceImage.h"
#include "support/TestData.h"

using namespace tessaro;
using namespace tessaro::test;

namespace {

std::string quoted(const std::string& s) { return "'" + s + "'"; }

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

const Codec& codecFor(const std::string& format) {
  if (format == "pcx") return pcxCodec();
  if (format == "tga") return tgaCodec();
  return ilbmCodec();
}

enum class Reader { ImageMagick, Netpbm };

// The independent decoder. ImageMagick keeps a TGA's stored row order unless told to orient it,
// reads 1-bit PCX as plain black and white and has no ILBM: netpbm reads those.
std::optional<RgbImage> reference(const std::string& path, const std::string& format, Reader reader) {
  const std::string ppm = path + ".ref.ppm";
  std::string cmd;
  if (reader == Reader::ImageMagick) {
    cmd = "/usr/bin/convert " + quoted(path + "[0]") + " -auto-orient " + quoted("png:" + path + ".ref.png");
    if (std::system((cmd + " 2>/dev/null").c_str()) != 0) return std::nullopt;
    return referenceDecode(path + ".ref.png");
  }
  const std::string tool = format == "pcx" ? "pcxtoppm" : format == "tga" ? "tgatoppm" : "ilbmtoppm";
  cmd = tool + " " + quoted(path) + " > " + quoted(ppm) + " 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) return std::nullopt;
  return referenceDecode(ppm);
}

TDib decodeBytes(const std::string& format, const std::vector<uint8_t>& bytes) {
  MemoryInputStream in(bytes);
  return codecFor(format).decode(in, {});
}

// Colour k of a palette of `count`: all distinct, in no sorted order.
void paletteColor(int k, uint8_t rgb[3]) {
  rgb[0] = static_cast<uint8_t>(k * 53 + 17);
  rgb[1] = static_cast<uint8_t>(255 - k);
  rgb[2] = static_cast<uint8_t>(k * 97 + 5);
}

// Index of pixel (x, y) in the test pattern: long runs on the left, busy on the right.
int patternIndex(int x, int y, int colors) {
  if (x < 70) return (y * 7) % colors;
  return ((x / 3) * 5 + y * 3 + (x * y) % 7) % colors;
}

constexpr int kWidth = 101;  // odd, and wider than one run of 63 or 128 bytes
constexpr int kHeight = 23;

// An RGB source with `colors` distinct colours, or with many when colors is 0.
RgbImage sourceImage(int colors) {
  RgbImage img;
  img.width = kWidth;
  img.height = kHeight;
  img.rgb.resize(static_cast<size_t>(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* p = &img.rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
      if (colors == 0) {
        p[0] = static_cast<uint8_t>(x * 2 + y);
        p[1] = static_cast<uint8_t>(y * 11);
        p[2] = static_cast<uint8_t>((x * y) & 255);
      } else {
        paletteColor(patternIndex(x, y, colors), p);
      }
    }
  return img;
}

// A picture of our own at 1, 4, 8 or 24 bits with a scrambled palette.
TDib ownPicture(int bits) {
  TDib dib = newdib(kWidth, kHeight, bits, nullptr, 0);
  if (bits <= 8) {
    const int colors = 1 << bits;
    for (int i = 0; i < colors; ++i) {
      uint8_t rgb[3];
      paletteColor(i, rgb);
      dib.colors()[i] = RgbQuad{rgb[2], rgb[1], rgb[0], 0};
    }
    syncPaletteFromColors(dib, colors);
  }
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      // Index 200 and 0xC0..0xFF values test the PCX escape; runs exceed every packet limit.
      const int32_t v = bits == 24 ? (x < 70 ? 0xC8C0F0 + y : (x * 0x010203 + y * 0x30405) & 0xffffff)
                                   : patternIndex(x, y, bits == 8 ? 256 : 1 << bits) ^ (bits == 8 ? 200 : 0);
      setpixel(dib, x, y, v);
    }
  return dib;
}

enum class Writer { ImageMagick, Netpbm };

struct Sample {
  const char* name;
  const char* format;
  Writer writer;
  const char* args;  // convert options, or the netpbm command reading a PPM on stdin
  int colors;        // colours of the source picture, 0 for many
  int bits;          // depth we must load it at
  int tolerance;     // largest channel difference to the reference (alpha rounding)
  Reader reader = Reader::ImageMagick;
};

const Sample kSamples[] = {
    {"pcx_truecolour", "pcx", Writer::ImageMagick, "", 0, 24, 0},
    {"pcx_palette256", "pcx", Writer::ImageMagick, "-type Palette", 200, 8, 0},
    {"pcx_netpbm_24", "pcx", Writer::Netpbm, "ppmtopcx -24bit", 0, 24, 0},
    {"pcx_netpbm_8", "pcx", Writer::Netpbm, "ppmtopcx -8bit", 200, 8, 0},
    {"pcx_bilevel", "pcx", Writer::Netpbm, "ppmtopcx", 2, 1, 0, Reader::Netpbm},
    {"pcx_ega_planes", "pcx", Writer::Netpbm, "ppmtopcx -planes 4", 16, 4, 0},
    {"pcx_packed_nibbles", "pcx", Writer::Netpbm, "ppmtopcx -packed", 16, 4, 0},
    {"pcx_packed_2bit", "pcx", Writer::Netpbm, "ppmtopcx -packed", 4, 4, 0},
    {"tga_truecolour", "tga", Writer::ImageMagick, "", 0, 24, 0},
    {"tga_truecolour_rle", "tga", Writer::ImageMagick, "-compress RLE", 0, 24, 0},
    {"tga_palette", "tga", Writer::ImageMagick, "-type Palette", 200, 8, 0},
    {"tga_palette_rle", "tga", Writer::ImageMagick, "-type Palette -compress RLE", 200, 8, 0},
    {"tga_grey", "tga", Writer::ImageMagick, "-type Grayscale", 0, 8, 0},
    {"tga_grey_rle", "tga", Writer::ImageMagick, "-type Grayscale -compress RLE", 0, 8, 0},
    {"tga_alpha", "tga", Writer::ImageMagick, "-alpha set -channel A -fx '(i%4)/3' +channel", 0, 24, 1},
    {"tga_netpbm_mapped", "tga", Writer::Netpbm, "ppmtotga -cmap -norle", 16, 8, 0},
    {"tga_netpbm_rle", "tga", Writer::Netpbm, "ppmtotga -rgb", 0, 24, 0},
    {"ilbm_deep24", "ilbm", Writer::Netpbm, "ppmtoilbm -24force", 0, 24, 0, Reader::Netpbm},
    {"ilbm_8planes", "ilbm", Writer::Netpbm, "ppmtoilbm -maxplanes 8", 200, 8, 0, Reader::Netpbm},
    {"ilbm_6planes", "ilbm", Writer::Netpbm, "ppmtoilbm -maxplanes 8", 40, 8, 0, Reader::Netpbm},
    {"ilbm_4planes", "ilbm", Writer::Netpbm, "ppmtoilbm", 16, 4, 0, Reader::Netpbm},
    {"ilbm_3planes", "ilbm", Writer::Netpbm, "ppmtoilbm", 7, 4, 0, Reader::Netpbm},
    {"ilbm_1plane", "ilbm", Writer::Netpbm, "ppmtoilbm", 2, 1, 0, Reader::Netpbm},
    {"ilbm_uncompressed", "ilbm", Writer::Netpbm, "ppmtoilbm -nocompress", 16, 4, 0, Reader::Netpbm},
};

std::string makeSample(const Sample& s) {
  const std::string path = tempPath(std::string(s.name) + "." + s.format);
  const RgbImage src = sourceImage(s.colors);
  if (s.writer == Writer::ImageMagick) return referenceEncode(src, path, s.args) ? path : "";
  const std::string ppm = path + ".src.ppm";
  if (!referenceEncode(src, ppm, "-depth 8")) return "";
  const std::string cmd = std::string(s.args) + " < " + quoted(ppm) + " > " + quoted(path) + " 2>/dev/null";
  return std::system(cmd.c_str()) == 0 && std::filesystem::file_size(path) > 0 ? path : "";
}

class SampleFiles : public ::testing::TestWithParam<Sample> {};

TEST_P(SampleFiles, DecodeMatchesTheIndependentDecoder) {
  const Sample& s = GetParam();
  const std::string path = makeSample(s);
  ASSERT_FALSE(path.empty()) << "could not write the sample";
  const auto ref = reference(path, s.format, s.reader);
  ASSERT_TRUE(ref);
  int lastPercent = -1;
  bool rising = true;
  TDib dib = OpenDib(path, 0, [&](int p) {
    if (p != 0 && p < lastPercent) rising = false;
    if (p != 0) lastPercent = p;
  });
  ASSERT_FALSE(dib.empty());
  EXPECT_EQ(DibBitCount(dib), s.bits);
  EXPECT_LE(maxChannelDifference(dibToRgb(dib), *ref), s.tolerance);
  EXPECT_EQ(maxChannelDifference(dibToRgb(dib), *ref) >= 0, true);
  EXPECT_TRUE(rising);
  if (kHeight > 1) EXPECT_EQ(lastPercent, 100);
}

// Every file cut short is refused, or (a PCX without its closing palette) still yields every
// pixel: never half a picture.
TEST_P(SampleFiles, CutFilesGiveNoHalfPicture) {
  const Sample& s = GetParam();
  const std::string path = makeSample(s);
  ASSERT_FALSE(path.empty());
  const std::vector<uint8_t> whole = readFile(path);
  TDib full = decodeBytes(s.format, whole);
  ASSERT_FALSE(full.empty());
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    const std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    TDib dib = decodeBytes(s.format, part);
    if (dib.empty()) continue;
    ASSERT_EQ(DibBitCount(dib), DibBitCount(full)) << cut;
    ASSERT_EQ(0, std::memcmp(dib.Bits, full.Bits, full.pixelBytes())) << "cut at " << cut;
  }
}

// Each format is recognised by its own probe only, and TGA's signature-less probe claims none
// of the other formats' files.
TEST_P(SampleFiles, OnlyItsOwnProbeClaimsIt) {
  const Sample& s = GetParam();
  const std::string path = makeSample(s);
  ASSERT_FALSE(path.empty());
  const std::vector<uint8_t> bytes = readFile(path);
  const std::span<const uint8_t> head(bytes.data(), std::min<size_t>(64, bytes.size()));
  for (const char* f : {"pcx", "tga", "ilbm"}) EXPECT_EQ(codecFor(f).probe(head), std::string(f) == s.format) << f;
}

INSTANTIATE_TEST_SUITE_P(Legacy, SampleFiles, ::testing::ValuesIn(kSamples),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TgaProbe, RefusesOtherFormatsFiles) {
  const RgbImage src = sourceImage(0);
  for (const char* ext : {"bmp", "png", "tif", "gif", "jpg", "ppm", "pgm", "xpm", "pcx"}) {
    const std::string path = tempPath(std::string("other.") + ext);
    ASSERT_TRUE(referenceEncode(src, path));
    const std::vector<uint8_t> bytes = readFile(path);
    EXPECT_FALSE(tga::plausibleHeader(std::span<const uint8_t>(bytes.data(), std::min<size_t>(64, bytes.size()))))
        << ext;
  }
}

struct WriteCase {
  const char* format;
  int32_t number;
  int bits;
};

class OwnFiles : public ::testing::TestWithParam<WriteCase> {};

// Our files read back by the independent decoder show the same colours, and by our own
// decoder the same indices in the same palette order.
TEST_P(OwnFiles, ReadBackByBothDecoders) {
  const WriteCase& c = GetParam();
  TDib dib = ownPicture(c.bits);
  dib.Dpi = {300, 150};
  const std::string path = tempPath("own" + std::to_string(c.number) + "_" + std::to_string(c.bits) + "." + c.format);
  ASSERT_TRUE(SaveDib(dib, path, c.number, {}));
  // PCX keeps the resolution in whole dpi; TGA and ILBM have no place for it.
  const Resolution kept = std::string(c.format) == "pcx" ? Resolution{300, 150} : Resolution{};
  if (kept.stored()) EXPECT_EQ(referenceResolution(path), kept);
  EXPECT_EQ(OpenDib(path, 0, {}).Dpi, kept);
  const bool netpbm = c.bits == 1 || std::string(c.format) == "iff" || std::string(c.format) == "lbm";
  const auto ref = reference(path, c.format == std::string("lbm") ? "ilbm" : c.format,
                             netpbm ? Reader::Netpbm : Reader::ImageMagick);
  ASSERT_TRUE(ref);
  EXPECT_EQ(maxChannelDifference(dibToRgb(dib), *ref), 0);

  TDib back = OpenDib(path, 0, {});
  ASSERT_FALSE(back.empty());
  // TGA keeps 1 and 4-bit pictures as 8-bit colour maps of 2 or 16 entries.
  const int expectBits = std::string(c.format) == "tga" && c.bits < 8 ? 8 : c.bits;
  ASSERT_EQ(DibBitCount(back), expectBits);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) ASSERT_EQ(getpixel(back, x, y), getpixel(dib, x, y)) << x << "," << y;
  if (c.bits <= 8)
    for (int i = 0; i < (1 << c.bits); ++i) {
      EXPECT_EQ(back.colors()[i].rgbRed, dib.colors()[i].rgbRed) << i;
      EXPECT_EQ(back.colors()[i].rgbGreen, dib.colors()[i].rgbGreen) << i;
      EXPECT_EQ(back.colors()[i].rgbBlue, dib.colors()[i].rgbBlue) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Legacy, OwnFiles,
                         ::testing::Values(WriteCase{"pcx", kFormatPcx, 1}, WriteCase{"pcx", kFormatPcx, 4},
                                           WriteCase{"pcx", kFormatPcx, 8}, WriteCase{"pcx", kFormatPcx, 24},
                                           WriteCase{"tga", kFormatTga, 1}, WriteCase{"tga", kFormatTga, 4},
                                           WriteCase{"tga", kFormatTga, 8}, WriteCase{"tga", kFormatTga, 24},
                                           WriteCase{"iff", kFormatIff, 1}, WriteCase{"iff", kFormatIff, 4},
                                           WriteCase{"iff", kFormatIff, 8}, WriteCase{"iff", kFormatIff, 24},
                                           WriteCase{"lbm", kFormatLbm, 8}),
                         [](const auto& info) {
                           return std::string(info.param.format) + "_" + std::to_string(info.param.bits) + "bit";
                         });

TEST(OwnFiles, LbmIsWrittenExactlyAsIff) {
  TDib dib = ownPicture(4);
  const std::string iff = tempPath("same.iff"), lbm = tempPath("same.lbm");
  ASSERT_TRUE(SaveDib(dib, iff, kFormatIff, {}));
  ASSERT_TRUE(SaveDib(dib, lbm, kFormatLbm, {}));
  EXPECT_EQ(readFile(iff), readFile(lbm));
}

}  // namespace

namespace {

// ---- Files built byte by byte from known pixels, for features no available encoder writes.

constexpr int kSmallW = 6;
constexpr int kSmallH = 4;

uint8_t widen5(int v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

// Colour number of pixel (x, y): a run of equal pixels spans the end of row 0 and the start of
// row 1 so that run-length packets must cross rows.
int smallColorNumber(int x, int y) {
  const int k = y * kSmallW + x;
  return k >= 4 && k <= 9 ? 4 : k;
}
// Colours exact in 5 bits per channel, so 15/16-bit files hold them without loss.
void smallColor(int n, int rgb5[3]) {
  rgb5[0] = (n * 7) % 32;
  rgb5[1] = (n * 13 + 5) % 32;
  rgb5[2] = (n * 3 + 11) % 32;
}

RgbImage smallImage() {
  RgbImage img;
  img.width = kSmallW;
  img.height = kSmallH;
  img.rgb.resize(kSmallW * kSmallH * 3);
  for (int y = 0; y < kSmallH; ++y)
    for (int x = 0; x < kSmallW; ++x) {
      int c[3];
      smallColor(smallColorNumber(x, y), c);
      for (int i = 0; i < 3; ++i) img.rgb[(static_cast<size_t>(y) * kSmallW + x) * 3 + i] = widen5(c[i]);
    }
  return img;
}

struct TgaVariant {
  const char* name;
  int type;        // 1, 2, 9, 10
  int pixelBits;   // 8 for colour-mapped
  int entryBits;   // colour-map entry size
  int mapFirst;    // first colour-map index
  bool topOrigin;
  bool rightToLeft;
  int idLength;
  int overrun = 0;  // pixels the last run-length packet claims beyond the picture
};

void putColor(std::vector<uint8_t>& out, const int c[3], int bits) {
  const uint8_t r = widen5(c[0]), g = widen5(c[1]), b = widen5(c[2]);
  if (bits == 15 || bits == 16) {
    const int v = (c[0] << 10) | (c[1] << 5) | c[2];
    out.insert(out.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
  } else {
    out.insert(out.end(), {b, g, r});
    if (bits == 32) out.push_back(255);
  }
}

std::vector<uint8_t> buildTga(const TgaVariant& v) {
  const bool mapped = (v.type & 7) == 1;
  const int mapLength = kSmallW * kSmallH;
  std::vector<uint8_t> f = {static_cast<uint8_t>(v.idLength), static_cast<uint8_t>(mapped ? 1 : 0),
                            static_cast<uint8_t>(v.type), static_cast<uint8_t>(v.mapFirst), 0,
                            static_cast<uint8_t>(mapped ? mapLength : 0), 0,
                            static_cast<uint8_t>(mapped ? v.entryBits : 0), 0, 0, 0, 0,
                            kSmallW, 0, kSmallH, 0, static_cast<uint8_t>(v.pixelBits),
                            static_cast<uint8_t>((v.topOrigin ? 0x20 : 0) | (v.rightToLeft ? 0x10 : 0))};
  for (int i = 0; i < v.idLength; ++i) f.push_back(static_cast<uint8_t>('A' + i % 26));
  if (mapped)
    for (int n = 0; n < mapLength; ++n) {
      int c[3];
      smallColor(n, c);
      putColor(f, c, v.entryBits);
    }
  // Pixels in file order as byte groups.
  std::vector<std::vector<uint8_t>> pixels;
  for (int r = 0; r < kSmallH; ++r)
    for (int i = 0; i < kSmallW; ++i) {
      const int y = v.topOrigin ? r : kSmallH - 1 - r;
      const int x = v.rightToLeft ? kSmallW - 1 - i : i;
      std::vector<uint8_t> px;
      const int n = smallColorNumber(x, y);
      if (mapped) {
        px.push_back(static_cast<uint8_t>(n + v.mapFirst));
      } else {
        int c[3];
        smallColor(n, c);
        putColor(px, c, v.pixelBits);
      }
      pixels.push_back(px);
    }
  if (v.type < 8) {
    for (const auto& px : pixels) f.insert(f.end(), px.begin(), px.end());
    return f;
  }
  // Runs of equal pixels as run packets, everything else as raw packets of up to 4 pixels;
  // neither pays attention to row ends.
  size_t i = 0, lastPacket = 0;
  while (i < pixels.size()) {
    lastPacket = f.size();
    size_t run = 1;
    while (i + run < pixels.size() && pixels[i + run] == pixels[i]) ++run;
    if (run >= 2) {
      f.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
      f.insert(f.end(), pixels[i].begin(), pixels[i].end());
      i += run;
      continue;
    }
    size_t n = 1;
    while (n < 4 && i + n < pixels.size() && !(i + n + 1 < pixels.size() && pixels[i + n] == pixels[i + n + 1])) ++n;
    f.push_back(static_cast<uint8_t>(n - 1));
    for (size_t k = 0; k < n; ++k) f.insert(f.end(), pixels[i + k].begin(), pixels[i + k].end());
    i += n;
  }
  f[lastPacket] = static_cast<uint8_t>(f[lastPacket] + v.overrun);
  return f;
}

class TgaLayouts : public ::testing::TestWithParam<TgaVariant> {};

TEST_P(TgaLayouts, DecodeToTheKnownPixels) {
  const TgaVariant& v = GetParam();
  const std::vector<uint8_t> bytes = buildTga(v);
  const std::string path = tempPath(std::string(v.name) + ".tga");
  writeFile(path, bytes);
  TDib dib = OpenDib(path, 0, {});
  ASSERT_FALSE(dib.empty());
  EXPECT_EQ(DibBitCount(dib), (v.type & 7) == 1 ? 8 : 24);
  EXPECT_EQ(maxChannelDifference(dibToRgb(dib), smallImage()), 0);
  // The independent decoder agrees about the file itself (it widens 5-bit channels with a
  // rounding of its own, hence one step of slack there).
  const auto ref = reference(path, "tga", Reader::ImageMagick);
  ASSERT_TRUE(ref);
  const bool fiveBit = v.pixelBits == 15 || v.pixelBits == 16 || v.entryBits == 15 || v.entryBits == 16;
  EXPECT_LE(maxChannelDifference(*ref, smallImage()), fiveBit ? 1 : 0);
  EXPECT_GE(maxChannelDifference(*ref, smallImage()), 0);
}

INSTANTIATE_TEST_SUITE_P(Legacy, TgaLayouts,
                         ::testing::Values(TgaVariant{"rgb15_bottom_left", 2, 15, 0, 0, false, false, 0},
                                           TgaVariant{"rgb16_top_left_rle", 10, 16, 0, 0, true, false, 0},
                                           TgaVariant{"rgb24_right_to_left", 2, 24, 0, 0, false, true, 3},
                                           TgaVariant{"rgb32_top_right_rle", 10, 32, 0, 0, true, true, 0},
                                           TgaVariant{"map16_first_entry_5", 1, 8, 16, 5, false, false, 7},
                                           TgaVariant{"map32_top_left_rle", 9, 8, 32, 0, true, false, 0},
                                           TgaVariant{"map24_first_entry_200_rle", 9, 8, 24, 200, false, false, 0},
                                           TgaVariant{"map24_last_run_past_the_end", 9, 8, 24, 0, false, false, 0, 5},
                                           TgaVariant{"rgb24_last_raw_packet_past_the_end", 10, 24, 0, 0, true, false, 0, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

struct IlbmVariant {
  const char* name;
  bool chunky;      // FORM PBM
  int planes;
  int masking;      // 1: a mask plane follows each row's planes
  bool packed;      // ByteRun1
  uint32_t camg;    // 0 for none
  int mapEntries;   // CMAP entries
  bool oddChunk;    // an odd-length chunk (with its pad byte) before the body
  int bits;         // depth we must load it at
  // netpbm refuses indices past a short CMAP and takes PBM rows as unpadded, where the Amiga
  // keeps every row word-aligned; those files are checked against what was built only.
  bool netpbmReads = true;
};

constexpr int kIlbmW = 21;  // not a multiple of 16: every plane row is padded
constexpr int kIlbmH = 5;

int ilbmIndex(const IlbmVariant& v, int x, int y) { return (x * 5 + y * 3 + x / 4) % (1 << v.planes); }

void appendChunk(std::vector<uint8_t>& f, const char* tag, const std::vector<uint8_t>& data) {
  f.insert(f.end(), tag, tag + 4);
  const uint32_t n = static_cast<uint32_t>(data.size());
  f.insert(f.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
  f.insert(f.end(), data.begin(), data.end());
  if (n & 1) f.push_back(0);
}

// Packs a row simply: one replicate run when all its bytes are equal, else literal groups.
void packRow(const std::vector<uint8_t>& row, std::vector<uint8_t>& body) {
  if (std::all_of(row.begin(), row.end(), [&](uint8_t b) { return b == row[0]; }) && row.size() > 1) {
    body.push_back(static_cast<uint8_t>(257 - row.size()));
    body.push_back(row[0]);
    return;
  }
  body.push_back(static_cast<uint8_t>(row.size() - 1));
  body.insert(body.end(), row.begin(), row.end());
}

std::vector<uint8_t> buildIlbm(const IlbmVariant& v) {
  std::vector<uint8_t> f = {'F', 'O', 'R', 'M', 0, 0, 0, 0};
  const char* kind = v.chunky ? "PBM " : "ILBM";
  f.insert(f.end(), kind, kind + 4);
  appendChunk(f, "BMHD", {0, kIlbmW, 0, kIlbmH, 0, 0, 0, 0, static_cast<uint8_t>(v.planes),
                          static_cast<uint8_t>(v.masking), static_cast<uint8_t>(v.packed ? 1 : 0), 0, 0, 0, 10, 11,
                          0, kIlbmW, 0, kIlbmH});
  if (v.oddChunk) appendChunk(f, "ANNO", {'o', 'd', 'd'});
  std::vector<uint8_t> cmap;
  for (int i = 0; i < v.mapEntries; ++i)
    cmap.insert(cmap.end(), {uint8_t(i * 40 + 7), uint8_t(255 - i * 3), uint8_t(i * 11)});
  appendChunk(f, "CMAP", cmap);
  if (v.camg) appendChunk(f, "CAMG", {uint8_t(v.camg >> 24), uint8_t(v.camg >> 16), uint8_t(v.camg >> 8), uint8_t(v.camg)});
  std::vector<uint8_t> body;
  const size_t planeBytes = v.chunky ? kIlbmW + 1 : ((kIlbmW + 15) / 16) * 2;
  for (int y = 0; y < kIlbmH; ++y) {
    std::vector<std::vector<uint8_t>> rows;
    if (v.chunky) {
      std::vector<uint8_t> row(planeBytes, 0);
      for (int x = 0; x < kIlbmW; ++x) row[static_cast<size_t>(x)] = static_cast<uint8_t>(ilbmIndex(v, x, y));
      rows.push_back(row);
    } else {
      for (int p = 0; p < v.planes + (v.masking == 1 ? 1 : 0); ++p) {
        std::vector<uint8_t> row(planeBytes, 0);
        for (int x = 0; x < kIlbmW; ++x) {
          const bool bit = p == v.planes ? true : ((ilbmIndex(v, x, y) >> p) & 1) != 0;
          if (bit) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
        rows.push_back(row);
      }
    }
    for (const auto& row : rows) {
      if (v.packed)
        packRow(row, body);
      else
        body.insert(body.end(), row.begin(), row.end());
    }
  }
  appendChunk(f, "BODY", body);
  const uint32_t n = static_cast<uint32_t>(f.size() - 8);
  f[4] = uint8_t(n >> 24);
  f[5] = uint8_t(n >> 16);
  f[6] = uint8_t(n >> 8);
  f[7] = uint8_t(n);
  return f;
}

class IlbmLayouts : public ::testing::TestWithParam<IlbmVariant> {};

TEST_P(IlbmLayouts, DecodeToTheKnownIndicesAndTheReferenceColours) {
  const IlbmVariant& v = GetParam();
  const std::string path = tempPath(std::string(v.name) + ".lbm");
  writeFile(path, buildIlbm(v));
  TDib dib = OpenDib(path, 0, {});
  ASSERT_FALSE(dib.empty());
  ASSERT_EQ(DibBitCount(dib), v.bits);
  for (int y = 0; y < kIlbmH; ++y)
    for (int x = 0; x < kIlbmW; ++x) ASSERT_EQ(getpixel(dib, x, y), ilbmIndex(v, x, y)) << x << "," << y;
  for (int i = 0; i < std::min(v.mapEntries, 1 << v.bits); ++i) {
    EXPECT_EQ(dib.colors()[i].rgbRed, uint8_t(i * 40 + 7)) << i;
    EXPECT_EQ(dib.colors()[i].rgbGreen, uint8_t(255 - i * 3)) << i;
    EXPECT_EQ(dib.colors()[i].rgbBlue, uint8_t(i * 11)) << i;
  }
  for (int i = v.mapEntries; i < (1 << v.bits) && !(v.camg & 0x80); ++i)
    EXPECT_EQ(dib.colors()[i].rgbRed + dib.colors()[i].rgbGreen + dib.colors()[i].rgbBlue, 0) << "entry " << i;
  if (!v.netpbmReads) return;
  const auto ref = reference(path, "ilbm", Reader::Netpbm);
  ASSERT_TRUE(ref);
  EXPECT_EQ(maxChannelDifference(dibToRgb(dib), *ref), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Legacy, IlbmLayouts,
    ::testing::Values(IlbmVariant{"two_planes_mask_raw", false, 2, 1, false, 0, 4, false, 4},
                      IlbmVariant{"five_planes_short_cmap", false, 5, 0, true, 0, 20, false, 8, false},
                      IlbmVariant{"extra_halfbrite", false, 6, 0, true, 0x80, 32, false, 8},
                      IlbmVariant{"three_planes_odd_chunk", false, 3, 0, true, 0, 8, true, 4},
                      IlbmVariant{"mask_plane_packed", false, 1, 1, true, 0, 2, false, 1},
                      IlbmVariant{"pbm_chunky_packed", true, 8, 0, true, 0, 256, false, 8, false},
                      IlbmVariant{"pbm_chunky_raw", true, 8, 0, false, 0, 256, true, 8, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Every kept file opens without a fault: "bad-" files are refused, "good-" files (the frame the
// bad ones were spoilt from) load, and the fuzzers' finds load or not but never crash.
TEST(LegacyFixtures, KeptFilesOpenCleanly) {
  int seen = 0;
  for (const char* format : {"pcx", "tga", "ilbm"}) {
    for (const auto& entry : std::filesystem::directory_iterator(dataPath(format))) {
      const std::string path = entry.path().string();
      const std::string name = entry.path().filename().string();
      ++seen;
      TDib viaOpen = OpenDib(path, 0, {});
      TDib direct = decodeBytes(format, readFile(path));
      EXPECT_EQ(viaOpen.empty(), direct.empty()) << name;
      if (name.rfind("bad-", 0) == 0) EXPECT_TRUE(direct.empty()) << name;
      if (name.rfind("good-", 0) == 0) EXPECT_FALSE(direct.empty()) << name;
      if (!direct.empty()) {
        MemoryOutputStream out;
        EXPECT_TRUE(codecFor(format).encode(direct, out)) << name;
      }
    }
  }
  EXPECT_GT(seen, 30);
}

// Reads PCX runs back the plain way and checks the limits a strict reader relies on.
TEST(PcxRuns, StayWithinSixtyThreeAndEscapeHighBytes) {
  std::vector<uint8_t> data;
  for (int i = 0; i < 200; ++i) data.push_back(0x07);
  for (int i = 0; i < 64; ++i) data.push_back(static_cast<uint8_t>(0xC0 + i % 3 / 2));
  for (int i = 0; i < 40; ++i) data.push_back(static_cast<uint8_t>(i * 37));
  std::vector<uint8_t> coded;
  pcx::encodeRuns(data, coded);
  std::vector<uint8_t> back;
  for (size_t i = 0; i < coded.size(); ++i) {
    if ((coded[i] & 0xC0) == 0xC0) {
      const int n = coded[i] & 0x3F;
      ASSERT_GE(n, 1);
      ASSERT_LT(i + 1, coded.size());
      back.insert(back.end(), static_cast<size_t>(n), coded[++i]);
    } else {
      back.push_back(coded[i]);
    }
  }
  EXPECT_EQ(back, data);
  EXPECT_LT(coded.size(), data.size());
}

TEST(ByteRun1, RoundTripsAndPacksLongRuns) {
  std::vector<uint8_t> data;
  for (int i = 0; i < 300; ++i) data.push_back(0x80);
  for (int i = 0; i < 300; ++i) data.push_back(static_cast<uint8_t>(i * 7));
  data.insert(data.end(), {1, 1, 2, 2, 2, 3});
  std::vector<uint8_t> coded;
  ilbm::encodeByteRun1(data, coded);
  std::vector<uint8_t> back;
  for (size_t i = 0; i < coded.size();) {
    const auto n = static_cast<int8_t>(coded[i++]);
    ASSERT_NE(n, -128);
    if (n >= 0) {
      ASSERT_LE(i + static_cast<size_t>(n) + 1, coded.size());
      back.insert(back.end(), coded.begin() + static_cast<std::ptrdiff_t>(i),
                  coded.begin() + static_cast<std::ptrdiff_t>(i) + n + 1);
      i += static_cast<size_t>(n) + 1;
    } else {
      ASSERT_LT(i, coded.size());
      back.insert(back.end(), static_cast<size_t>(1 - n), coded[i++]);
    }
  }
  EXPECT_EQ(back, data);
  EXPECT_LT(coded.size(), 300u + 300u / 128 * 2 + 20);
}

}  // namespace
