// JPEG, PNG, GIF, TIFF and JPEG XL: files made by an independent encoder must decode to the same pixels
// at the file's depth, our files must read back the same in the independent decoder and in ours,
// and damaged files must be refused cleanly.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "picture/CodecRegistry.h"
#include "picture/Orientation.h"
#include "picture/codecs/Codecs.h"
#include "support/ReferenceImage.h"
#include "support/TestData.h"

using namespace tessaro;
using namespace tessaro::test;

namespace {

constexpr int kWidth = 37, kHeight = 23;  // odd sizes exercise row padding and packed bytes

enum class Source { Photo, Grey, Colours2, Colours4, Colours12, Colours200 };

// A smooth picture with every channel moving, like a small photograph.
RgbImage photo(int w, int h) {
  RgbImage img{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 3)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &img.rgb[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<uint8_t>(x * 255 / (w - 1));
      p[1] = static_cast<uint8_t>(y * 255 / (h - 1));
      p[2] = static_cast<uint8_t>((x * 5 + y * 9) % 256);
    }
  return img;
}

// A picture of exactly n distinct colours, every one used.
RgbImage colours(int n, int w, int h) {
  RgbImage img{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 3)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int i = (x + y * w) % n;
      uint8_t* p = &img.rgb[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<uint8_t>(i * 97 + 13);
      p[1] = static_cast<uint8_t>(i * 57 + 200);
      p[2] = static_cast<uint8_t>(255 - i);
    }
  return img;
}

RgbImage sourceImage(Source s) {
  switch (s) {
    case Source::Photo:
      return photo(kWidth, kHeight);
    case Source::Grey: {
      RgbImage img = photo(kWidth, kHeight);
      for (size_t i = 0; i < img.rgb.size(); i += 3) img.rgb[i + 1] = img.rgb[i + 2] = img.rgb[i];
      return img;
    }
    case Source::Colours2:
      return colours(2, kWidth, kHeight);
    case Source::Colours4:
      return colours(4, kWidth, kHeight);
    case Source::Colours12:
      return colours(12, kWidth, kHeight);
    case Source::Colours200:
      return colours(200, kWidth, kHeight);
  }
  return {};
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

TDib decodeBytes(std::span<const uint8_t> bytes) {
  MemoryInputStream in(bytes);
  return openDibFromStream(in, nullptr);
}

// A file cut short anywhere inside its data is refused, never half shown.
void expectRefusedWhenCutShort(const std::string& path) {
  const std::vector<uint8_t> bytes = readFile(path);
  for (size_t cut : {bytes.size() / 4, bytes.size() / 2, bytes.size() * 3 / 4})
    EXPECT_TRUE(decodeBytes(std::span(bytes.data(), cut)).empty()) << "cut at " << cut << " of " << bytes.size();
}

// ---- Files written by the independent encoder ----

struct ReadCase {
  const char* name;
  const char* file;  // output name; its extension picks the format
  Source source;
  const char* args;
  int bits;       // depth the picture must come in at
  int tolerance;  // largest channel difference against the reference decoder
};

const ReadCase kReadCases[] = {
    {"JpegColour", "c.jpg", Source::Photo, "-quality 95", 24, 2},
    {"JpegGrey", "g.jpg", Source::Grey, "-type Grayscale", 8, 2},
    {"JpegProgressive", "p.jpg", Source::Photo, "-interlace JPEG", 24, 2},
    {"JpegSubsampled", "s.jpg", Source::Photo, "-sampling-factor 2x2", 24, 2},
    {"JpegCmyk", "k.jpg", Source::Photo, "-colorspace CMYK", 24, 3},
    {"PngRgb", "c.png", Source::Photo, "", 24, 0},
    {"PngRgb16", "c16.png", Source::Photo, "-depth 16", 24, 0},
    {"PngRgbAlpha", "a.png", Source::Photo, "-alpha set -channel A -fx '(i+j)/(w+h)' +channel", 24, 1},
    {"PngInterlaced", "i.png", Source::Photo, "-interlace PNG", 24, 0},
    {"PngPalette8", "p8.png", Source::Colours200, "-type Palette", 8, 0},
    {"PngPalette8Interlaced", "p8i.png", Source::Colours200, "-type Palette -interlace PNG", 8, 0},
    {"PngPalette4", "p4.png", Source::Colours12, "-type Palette", 4, 0},
    {"PngPalette2", "p2.png", Source::Colours4, "-type Palette", 4, 0},
    {"PngGrey1", "g1.png", Source::Grey, "-type Bilevel", 1, 0},
    {"PngGrey2", "g2.png", Source::Grey, "-type Grayscale -depth 2", 4, 0},
    {"PngGrey4", "g4.png", Source::Grey, "-type Grayscale -depth 4", 4, 0},
    {"PngGrey8", "g8.png", Source::Grey, "-type Grayscale", 8, 0},
    {"PngGrey16", "g16.png", Source::Grey, "-type Grayscale -depth 16", 8, 0},
    {"PngGreyAlpha", "ga.png", Source::Grey, "-alpha set -channel A -fx 'i/w' +channel -type GrayscaleAlpha", 8, 1},
    {"GifPalette8", "p8.gif", Source::Colours200, "", 8, 0},
    {"GifPalette4", "p4.gif", Source::Colours12, "", 4, 0},
    {"GifPalette1", "p1.gif", Source::Colours2, "", 1, 0},
    {"GifInterlaced", "i.gif", Source::Colours200, "-interlace GIF", 8, 0},
    {"TiffRgb", "c.tif", Source::Photo, "-compress None", 24, 0},
    {"TiffRgbLzw", "l.tif", Source::Photo, "-compress LZW", 24, 0},
    {"TiffRgbDeflate", "z.tif", Source::Photo, "-compress Zip", 24, 0},
    {"TiffRgbPackBits", "r.tif", Source::Photo, "-compress RLE", 24, 0},
    {"TiffRgb16", "c16.tif", Source::Photo, "-depth 16", 24, 0},
    {"TiffJpeg", "j.tif", Source::Photo, "-compress JPEG -quality 95", 24, 3},
    {"TiffRgbAlpha", "a.tif", Source::Photo, "-alpha set -channel A -fx '(i+j)/(w+h)' +channel", 24, 1},
    {"TiffTiled", "t.tif", Source::Photo, "-define tiff:tile-geometry=16x16", 24, 0},
    {"TiffTiledLzw", "tl.tif", Source::Photo, "-define tiff:tile-geometry=16x16 -compress LZW", 24, 0},
    {"TiffPlanar", "s.tif", Source::Photo, "-interlace Plane", 24, 0},
    {"TiffPalette8", "p8.tif", Source::Colours200, "-type Palette -compress LZW", 8, 0},
    {"TiffPalette4", "p4.tif", Source::Colours12, "-type Palette", 4, 0},
    {"TiffPalette2", "p2.tif", Source::Colours4, "-type Palette", 4, 0},
    {"TiffPalette1", "p1.tif", Source::Colours2, "-type Palette", 1, 0},
    {"TiffGrey8", "g8.tif", Source::Grey, "-type Grayscale -depth 8", 8, 0},
    {"TiffGrey4", "g4.tif", Source::Grey, "-type Grayscale -depth 4", 4, 0},
    {"TiffGrey2", "g2.tif", Source::Grey, "-type Grayscale -depth 2", 4, 0},
    {"TiffGrey16", "g16.tif", Source::Grey, "-type Grayscale -depth 16", 8, 0},
    {"TiffGrey1", "g1.tif", Source::Grey, "-type Bilevel -depth 1", 1, 0},
    {"TiffMinIsWhiteFax", "w1.tif", Source::Grey, "-type Bilevel -compress Group4", 1, 0},
};

class ReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadTest, DecodesAtTheFileDepthLikeTheReference) {
  const ReadCase& c = GetParam();
  const std::string path = tempPath(std::string(c.name) + "-" + c.file);
  ASSERT_TRUE(referenceEncode(sourceImage(c.source), path, std::string("-strip ") + c.args));
  const auto reference = referenceDecode(path);
  ASSERT_TRUE(reference);

  std::vector<int> reports;
  TDib dib = OpenDib(path, 0, [&](int p) { reports.push_back(p); });
  ASSERT_FALSE(dib.empty());
  EXPECT_EQ(DibBitCount(dib), c.bits);
  if (c.bits <= 8) EXPECT_EQ(dib.LogPalette.palNumEntries, 1 << c.bits);
  EXPECT_LE(maxChannelDifference(dibToRgb(dib), *reference), c.tolerance);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back(), 100);
  expectRefusedWhenCutShort(path);
}

INSTANTIATE_TEST_SUITE_P(Files, ReadTest, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Camera orientation ----

// A photo tagged by exiftool with each of the eight orientations must load as convert shows it
// upright, and with the option off as stored. convert reads JPEG with the same libjpeg, told to
// use the same DCT; it ignores the Exif of PNG and WebP, so there the reference is its own turn or
// mirror.
struct OrientCase {
  const char* name;
  const char* file;
  const char* args;
  bool referenceReadsTag;  // convert -auto-orient honours the tag in this format
  int tolerance;
  // Each tagged file is then copied by convert into this format; it writes PNG's eXIf after the
  // picture data, where exiftool writes it before.
  const char* thenAs = nullptr;
  int width = kWidth, height = kHeight;
  // Also cut short and kept despite the damage: as the stored picture turned, its missing rows too.
  bool cutShort = false;
};

const OrientCase kOrientCases[] = {
    {"Jpeg", "o.jpg", "-quality 90 -sampling-factor 2x1", true, 0},
    // Turned as it is decoded, in bands of rows: several, the last one part full.
    {"JpegBands", "b.jpg", "-quality 90 -sampling-factor 2x2", true, 0, nullptr, 301, 77, true},
    {"JpegGreyBands", "g.jpg", "-quality 90 -colorspace Gray", true, 0, nullptr, 75, 70, true},
    {"JpegCmyk", "c.jpg", "-quality 90 -colorspace CMYK", true, 1, nullptr, 45, 40},
    {"TiffStrips", "o.tif", "-compress LZW", true, 0},
    {"TiffTiles", "t.tif", "-define tiff:tile-geometry=16x16", true, 0},
    {"TiffAlpha", "a.tif", "-alpha set -channel A -fx '(i+j)/(w+h)' +channel", true, 1},
    {"Png", "o.png", "", false, 0},
    {"PngExifAfterData", "o.jpg", "-quality 90", false, 0, "png"},
    {"WebpLossless", "o.webp", "-define webp:lossless=true", false, 0},
};

// What turns or mirrors a picture of orientation 1 to 8 upright, for convert.
constexpr const char* kUprightOperators[] = {"",           "-flop",      "-rotate 180", "-flip",
                                             "-transpose", "-rotate 90", "-transverse", "-rotate 270"};

class OrientationTest : public ::testing::TestWithParam<OrientCase> {};

TEST_P(OrientationTest, LoadsUprightLikeTheReferenceOrAsStored) {
  const OrientCase& c = GetParam();
  const std::string base = tempPath(std::string("orient-") + c.name + "-" + c.file);
  ASSERT_TRUE(referenceEncode(photo(c.width, c.height), base, std::string("-strip ") + c.args));
  std::string tagAll = "/usr/bin/exiftool";
  std::vector<std::string> paths;
  for (int o = 1; o <= 8; ++o) {
    paths.push_back(tempPath(std::to_string(o) + "-" + c.name + "-" + c.file));
    std::filesystem::copy_file(base, paths.back(), std::filesystem::copy_options::overwrite_existing);
    tagAll +=
        (o > 1 ? " -execute" : "") + std::string(" -Orientation=") + std::to_string(o) + " '" + paths.back() + "'";
  }
  ASSERT_EQ(std::system((tagAll + " -common_args -q -q -n -overwrite_original").c_str()), 0);
  if (c.thenAs)
    for (std::string& path : paths) {
      const std::string copy = path + "." + c.thenAs;
      const std::string convert = "/usr/bin/convert '" + path + "' -define png:include-chunk=eXIf '" + copy + "'";
      ASSERT_EQ(std::system(convert.c_str()), 0);
      path = copy;
    }
  const std::string readArgs = "-define jpeg:dct-method=islow";
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE("orientation " + std::to_string(o));
    const std::string& path = paths[static_cast<size_t>(o - 1)];
    const auto upright =
        referenceDecode(path, readArgs, c.referenceReadsTag ? "-auto-orient" : kUprightOperators[o - 1]);
    const auto stored = referenceDecode(path, readArgs);
    ASSERT_TRUE(upright && stored);
    LoadRequest request;
    const auto matches = [&](const RgbImage& reference) {
      const int difference = maxChannelDifference(dibToRgb(loadPicture(path, request)), reference);
      return difference >= 0 && difference <= c.tolerance;  // -1: the sizes differ
    };
    EXPECT_TRUE(matches(*upright));
    request.read.autoOrient = false;
    EXPECT_TRUE(matches(*stored));
    if (!c.cutShort) continue;
    const std::string cut = path + ".cut";
    std::filesystem::copy_file(path, cut, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) * 2 / 3);
    request.damaged = DamagedPicture::Keep;
    const TDib asStored = loadPicture(cut, request);
    request.read.autoOrient = true;
    const TDib turned = loadPicture(cut, request);
    ASSERT_FALSE(asStored.empty());
    EXPECT_EQ(maxChannelDifference(dibToRgb(turned), dibToRgb(turnUpright(copyDib(asStored), o))), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, OrientationTest, ::testing::ValuesIn(kOrientCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Files written by us ----

struct WriteCase {
  const char* name;
  int32_t format;
  int bits;      // depth of the picture saved
  int readBits;  // depth it must come back at
  bool lossy;    // JPEG: pixels close on average instead of equal
};

const WriteCase kWriteCases[] = {
    {"Jpg24", kFormatJpg, 24, 24, true},  {"Jif8", kFormatJif, 8, 24, true},      {"Jpg1", kFormatJpg, 1, 24, true},
    {"Png24", kFormatPng, 24, 24, false}, {"Png8", kFormatPng, 8, 8, false},      {"Png4", kFormatPng, 4, 4, false},
    {"Png1", kFormatPng, 1, 1, false},    {"Gif8", kFormatGif, 8, 8, false},      {"Gif4", kFormatGif, 4, 4, false},
    {"Gif1", kFormatGif, 1, 1, false},    {"Gif24Few", kFormatGif, 24, 8, false}, {"Tif24", kFormatTif, 24, 24, false},
    {"Tif8", kFormatTif, 8, 8, false},    {"Tif4", kFormatTif, 4, 4, false},      {"Tif1", kFormatTif, 1, 1, false},
};

// A picture whose palette is in no sorted order, so a writer that reorders it is caught. For the
// lossy format the picture is smooth (palette pictures in 8 x 8 blocks), so the check can be tight.
TDib samplePicture(int bits, bool lossy) {
  TDib dib = newdib(kWidth, kHeight, bits, nullptr, 0);
  if (bits <= 8) {
    const int entries = 1 << bits;
    for (int i = 0; i < entries; ++i) {
      const int k = (i * 7 + 3) % entries;
      dib.colors()[i] =
          RgbQuad{static_cast<uint8_t>(k * 37), static_cast<uint8_t>(255 - k * 11), static_cast<uint8_t>(k * 73), 0};
    }
    syncPaletteFromColors(dib, entries);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) setpixel(dib, x, y, (lossy ? x / 8 + y / 8 * 5 : x + y * 3) % entries);
  } else {
    // Lossless: 240 colours, few enough for the GIF writer to keep them exactly.
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        setpixel(dib, x, y,
                 lossy ? (x * 6) | ((y * 10) << 8) | (((x + y) * 4) << 16)
                       : ((x % 12) * 20) | (((y % 10) * 25) << 8) | (((x + y) % 2) * 200) << 16);
  }
  return dib;
}

double meanChannelDifference(const RgbImage& a, const RgbImage& b) {
  double sum = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int{a.rgb[i]} - int{b.rgb[i]});
  return a.rgb.empty() ? 0 : sum / static_cast<double>(a.rgb.size());
}

class WriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteTest, ReadsBackInTheReferenceAndInOurDecoder) {
  const WriteCase& c = GetParam();
  TDib dib = samplePicture(c.bits, c.lossy);
  dib.Dpi = {300, 150};
  const std::string path =
      tempPath(std::string("w-") + c.name + saveEntries()[static_cast<size_t>(c.format - 3)].extension);
  ASSERT_TRUE(SaveDib(dib, path, c.format, nullptr));
  const RgbImage expected = dibToRgb(dib);
  const auto reference = referenceDecode(path);
  ASSERT_TRUE(reference);
  TDib back = OpenDib(path, 0, nullptr);
  ASSERT_FALSE(back.empty());
  EXPECT_EQ(DibBitCount(back), c.readBits);
  // The resolution goes along where the format has a place for it; whole pixels per metre (PNG)
  // are within 0.0127 dpi.
  if (c.format == kFormatGif) {
    EXPECT_FALSE(back.Dpi.stored());
  } else {
    const Resolution ref = referenceResolution(path);
    EXPECT_NEAR(ref.x, 300, 0.0127);
    EXPECT_NEAR(ref.y, 150, 0.0127);
    EXPECT_NEAR(back.Dpi.x, ref.x, 1e-4);
    EXPECT_NEAR(back.Dpi.y, ref.y, 1e-4);
  }
  const RgbImage ours = dibToRgb(back);

  if (c.lossy) {
    EXPECT_LE(maxChannelDifference(ours, *reference), 2);
    EXPECT_LE(meanChannelDifference(*reference, expected), c.bits == 24 ? 1.5 : 10.0);
    return;
  }
  EXPECT_EQ(maxChannelDifference(*reference, expected), 0);
  EXPECT_EQ(maxChannelDifference(ours, expected), 0);
  if (c.readBits == c.bits && c.bits <= 8) {
    for (int i = 0; i < (1 << c.bits); ++i) {
      EXPECT_EQ(back.colors()[i].rgbRed, dib.colors()[i].rgbRed) << i;
      EXPECT_EQ(back.colors()[i].rgbGreen, dib.colors()[i].rgbGreen) << i;
      EXPECT_EQ(back.colors()[i].rgbBlue, dib.colors()[i].rgbBlue) << i;
    }
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) ASSERT_EQ(getpixel(back, x, y), getpixel(dib, x, y)) << x << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, WriteTest, ::testing::ValuesIn(kWriteCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Damaged files kept under tests/data ----

class DamagedFileTest : public ::testing::TestWithParam<std::string> {};

TEST_P(DamagedFileTest, IsRefusedCleanly) {
  const std::vector<uint8_t> bytes = readFile(GetParam());
  ASSERT_FALSE(bytes.empty());
  EXPECT_TRUE(decodeBytes(bytes).empty());
}

// Fixtures under tests/data/<format>: those named good-... must load, bad-... be refused; the
// notes and scripts that made them lie beside them.
std::vector<std::string> fixtureFiles(bool good,
                                      std::initializer_list<const char*> dirs = {"jpeg", "png", "gif", "tiff", "webp", "heif", "jxl"}) {
  std::vector<std::string> files;
  for (const char* dir : dirs)
    for (const auto& e : std::filesystem::directory_iterator(dataPath(dir)))
      if (e.path().filename().string().starts_with(good ? "good-" : "bad-")) files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> damagedFiles() { return fixtureFiles(false); }

INSTANTIATE_TEST_SUITE_P(Fixtures, DamagedFileTest, ::testing::ValuesIn(damagedFiles()), [](const auto& info) {
  const std::filesystem::path p(info.param);
  std::string name = p.parent_path().filename().string() + "_" + p.stem().string();
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
});

// ---- Features of one format ----

// Blocks drawn without a delay between them are tiles of the first picture: every block up to
// the first one followed by a delay, drawn in order onto white, transparent pixels left alone;
// palette picture at the depth of its colour count, 24 bits past 256 colours. A looping
// animation shows its first block. The reference is ImageMagick flattening those blocks.
TEST(GifCodec, FirstPictureIsEveryBlockUpToTheFirstDelay) {
  const auto tile = [](const char* page, const char* blue) {
    return std::string(" -page ") + page + " \\( -size 16x16 xc: -channel R -fx i/15 -channel G -fx j/15 -channel B -fx " +
           blue + " +channel \\)";
  };
  const struct {
    const char* name;
    std::string blocks;  // ImageMagick's arguments; -loop 1 writes no looping extension
    const char* shown;   // the blocks the picture is made of
    int bits;
  } cases[] = {
      {"LoopingAnimation", "-size 9x7 xc:red xc:blue -loop 0", "0", 1},
      {"TilesOfManyColours",
       "-loop 1 -delay 0" + tile("32x32+0+0", "0.1") + tile("32x32+16+0", "0.4") + tile("32x32+0+16", "0.7") +
           tile("32x32+16+16", "1"),
       "0-3", 24},
      {"TwoTilesCoverTheScreen", "-loop 1 -delay 0 -size 10x10 -page 20x10+0+0 xc:red -page 20x10+10+0 xc:blue", "0-1",
       1},
      {"TransparentTileOnPartOfTheScreen",
       "-loop 1 -delay 0 -page 20x10+0+0 -size 8x10 xc:red -page 20x10+5+2 \\( -size 6x6 xc:none -fill blue -draw "
       "'rectangle 0,0 2,5' \\)",
       "0-1", 4},
      {"DelayEndsThePicture",
       "-loop 1 -delay 0 -page 20x10+0+0 -size 8x10 xc:red -delay 50 -page 20x10+8+0 -size 6x10 xc:blue -delay 0 "
       "-page 20x10+14+0 xc:green",
       "0-1", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = tempPath(std::string("blocks-") + c.name + ".gif");
    const std::string flat = tempPath(std::string("blocks-") + c.name + ".png");
    ASSERT_EQ(std::system(("/usr/bin/convert " + c.blocks + " '" + path + "'").c_str()), 0);
    ASSERT_EQ(std::system(("/usr/bin/convert '" + path + "[" + c.shown + "]' -background white -flatten '" + flat + "'")
                              .c_str()),
              0);
    const auto reference = referenceDecode(flat);
    ASSERT_TRUE(reference);
    const TDib dib = OpenDib(path, 0, nullptr);
    ASSERT_FALSE(dib.empty());
    EXPECT_EQ(DibBitCount(dib), c.bits);
    EXPECT_EQ(maxChannelDifference(dibToRgb(dib), *reference), 0);
  }
}

TEST(GifCodec, ManyColoursAreReducedToTheCubeDeterministically) {
  const TDib dib = [] {
    TDib d = newdib(64, 64, 24, nullptr, 0);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) setpixel(d, x, y, (x * 4) | ((y * 4) << 8) | (((x + y) * 2) << 16));
    return d;
  }();
  MemoryOutputStream first, second;
  ASSERT_TRUE(gifCodec().encode(dib, first));
  ASSERT_TRUE(gifCodec().encode(dib, second));
  EXPECT_EQ(first.data(), second.data());
  TDib back = decodeBytes(first.data());
  ASSERT_FALSE(back.empty());
  EXPECT_EQ(DibBitCount(back), 8);
  // Half the widest step of the 6 x 7 x 6 cube.
  EXPECT_LE(maxChannelDifference(dibToRgb(back), dibToRgb(dib)), 26);
}

TEST(GifCodec, TransparentIndexStaysAPaletteEntry) {
  const std::string path = tempPath("transparent.gif");
  ASSERT_EQ(
      std::system(("/usr/bin/convert -size 8x8 xc:none -fill red -draw 'rectangle 4,0 7,7' '" + path + "'").c_str()),
      0);
  TDib dib = OpenDib(path, 0, nullptr);
  ASSERT_FALSE(dib.empty());
  EXPECT_LE(DibBitCount(dib), 8);
  // Left half transparent, right half red: two different entries.
  EXPECT_NE(getpixel(dib, 0, 0), getpixel(dib, 7, 0));
  const RgbQuad& red = dib.colors()[getpixel(dib, 7, 0)];
  EXPECT_EQ(red.rgbRed, 255);
  EXPECT_EQ(red.rgbGreen, 0);
}

// True-colour PNG: photos, grainy or smoothly enlarged, are written fast (zlib level 1 with few
// filters), flat pictures thoroughly (level 6, as libpng would), so the cost never jumps with the
// picture's smoothness or size. Either way exact, and small beside the unfiltered level-6 file
// other programs write.
RgbImage grainy(RgbImage img) {
  uint32_t seed = 12345;
  for (uint8_t& v : img.rgb) {
    seed = seed * 1103515245u + 12345u;
    v = static_cast<uint8_t>(std::clamp(int{v} + static_cast<int>((seed >> 16) % 25) - 12, 0, 255));
  }
  return img;
}

// The compression level the zlib header of the first IDAT chunk names: 0 fastest, 2 default.
int idatLevel(const std::vector<uint8_t>& png) {
  for (size_t at = 8; at + 12 <= png.size();) {
    const size_t length = size_t{png[at]} << 24 | size_t{png[at + 1]} << 16 | size_t{png[at + 2]} << 8 | png[at + 3];
    if (std::memcmp(&png[at + 4], "IDAT", 4) == 0 && length >= 2) return png[at + 9] >> 6;
    at += length + 12;
  }
  return -1;
}

TEST(PngCodec, TrueColourIsExactAndNoLargerThanAnUnfilteredFile) {
  constexpr int kFastest = 0, kDefault = 2;
  const struct {
    const char* name;
    RgbImage image;
    const char* making;  // ImageMagick options turning the image into the source picture
    int level;
    double size;  // at most this times the unfiltered level-6 file
  } cases[] = {
      {"Gradients", photo(641, 427), "", kDefault, 1.1},
      {"GrainyPhoto", grainy(photo(641, 427)), "", kFastest, 1.1},
      // Level 1 shrinks its rows to a fifth; level 6 would halve that again, at several times the
      // cost on a large picture.
      {"EnlargedPhoto", grainy(photo(100, 67)), "-blur 0x2 -resize 800%", kFastest, 2.0},
      {"FlatColours", colours(12, 641, 427), "", kDefault, 1.1},
      {"OneColumn", grainy(photo(2, 300)), "", kFastest, 1.1},
      {"TwoRows", grainy(photo(300, 2)), "", kFastest, 1.1},
  };
  for (const auto& c : cases) {
    const std::string source = tempPath(std::string("t-") + c.name + ".bmp");
    const std::string reference = tempPath(std::string("t-") + c.name + "-reference.png");
    const std::string ours = tempPath(std::string("t-") + c.name + ".png");
    ASSERT_TRUE(referenceEncode(c.image, source, std::string(c.making) + " -type TrueColor"));
    const auto image = referenceDecode(source);
    ASSERT_TRUE(image) << c.name;
    ASSERT_TRUE(referenceEncode(
        *image, reference,
        "-strip -define png:color-type=2 -define png:compression-filter=0 -define png:compression-level=6"));
    TDib dib = OpenDib(source, 0, nullptr);
    ASSERT_EQ(DibBitCount(dib), 24) << c.name;
    ASSERT_TRUE(SaveDib(dib, ours, kFormatPng, nullptr)) << c.name;
    const auto back = referenceDecode(ours);
    ASSERT_TRUE(back) << c.name;
    EXPECT_EQ(maxChannelDifference(*back, *image), 0) << c.name;
    EXPECT_EQ(idatLevel(readFile(ours)), c.level) << c.name;
    EXPECT_LE(static_cast<double>(std::filesystem::file_size(ours)),
              c.size * static_cast<double>(std::filesystem::file_size(reference)))
        << c.name;
  }
}

TEST(LibCodecs, RegistryListsThemUnderTheirExtensions) {
  EXPECT_EQ(codecForFormat(kFormatJif), &jpegCodec());
  EXPECT_EQ(codecForFormat(kFormatJpg), &jpegCodec());
  const std::string filter = GetDIBOpenFilter();
  for (const char* mask : {"*.jpg", "*.jpeg", "*.jfif", "*.png", "*.gif", "*.tif", "*.tiff", "*.webp", "*.heic", "*.heif",
                           "*.avif", "*.jxl"})
    EXPECT_NE(filter.find(mask), std::string::npos) << mask;
}

// ---- Embedded colour profiles ----

// Pictures in a wide-gamut, grey or CMYK profile come in as sRGB, as lcms2's tificc converts
// them (perceptual, black point compensation) from the same pixels and profile that ImageMagick
// reads out of the file. Depth is kept: a palette picture only has its table converted. Profiles
// that are damaged, or that the load is told to ignore, leave the pixels as the file has them.
TEST(LibCodecs, EmbeddedProfilesGiveTheColoursOfTheReferenceConversion) {
  const struct {
    const char* file;
    int bits;
    bool useProfile;
    bool converted;
    int tolerance;  // JPEG: ImageMagick's decoder may round apart from ours
    int orientation = 1;  // tagged so by exiftool: the picture is turned upright too
  } cases[] = {
      {"good-adobe-rgb.jpg", 24, true, true, 2},         {"good-display-p3.jpg", 24, true, true, 2},
      {"good-display-p3.png", 24, true, true, 1},        {"good-adobe-rgb.tif", 24, true, true, 1},
      {"good-palette-display-p3.png", 8, true, true, 1}, {"good-grey-profile.jpg", 8, true, true, 2},
      {"good-cmyk-profile.jpg", 24, true, true, 2},      {"good-cmyk-profile.tif", 24, true, true, 1},
      {"good-display-p3.png", 24, false, false, 0},      {"good-adobe-rgb.tif", 24, false, false, 0},
      {"profile-truncated.jpg", 24, true, false, 2},     {"profile-claims-2gib.jpg", 24, true, false, 2},
      {"profile-not-a-profile.jpg", 24, true, false, 2}, {"profile-part-missing.jpg", 24, true, false, 2},
      {"good-adobe-rgb.jpg", 24, true, true, 2, 6},      {"good-cmyk-profile.jpg", 24, true, true, 2, 7},
      {"good-adobe-rgb.jpg", 24, false, false, 2, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + (c.useProfile ? "" : " ignoring its profile") + " orientation " +
                 std::to_string(c.orientation));
    const std::string path = dataPath(std::string("colour/") + c.file);
    const std::string upright = kUprightOperators[c.orientation - 1];
    std::optional<RgbImage> reference = referenceDecode(path, "", upright);
    if (c.converted) {
      const std::string in = tempPath(std::string("icc-in-") + c.file + ".tif");
      const std::string out = tempPath(std::string("icc-out-") + c.file + ".tif");
      // tificc takes no palette: such a picture goes to it as true colour.
      const std::string trueColour =
          c.bits == 8 && std::string(c.file).find("palette") != std::string::npos ? " -type TrueColor" : "";
      ASSERT_EQ(std::system(("/usr/bin/convert '" + path + "'" + trueColour + " -compress none '" + in + "'").c_str()),
                0);
      ASSERT_EQ(std::system(("tificc -t0 -b '" + in + "' '" + out + "' >/dev/null").c_str()), 0);
      reference = referenceDecode(out, "", upright);
    }
    ASSERT_TRUE(reference);
    std::string tagged = path;
    if (c.orientation != 1) {
      tagged = tempPath(std::to_string(c.orientation) + "-" + c.file);
      std::filesystem::copy_file(path, tagged, std::filesystem::copy_options::overwrite_existing);
      const std::string tag = "/usr/bin/exiftool -q -q -n -overwrite_original -Orientation=" +
                              std::to_string(c.orientation) + " '" + tagged + "'";
      ASSERT_EQ(std::system(tag.c_str()), 0);
    }
    LoadRequest request;
    request.read.useProfile = c.useProfile;
    LoadNotes notes;
    const TDib dib = loadPicture(tagged, request, nullptr, &notes);
    ASSERT_FALSE(dib.empty());
    EXPECT_EQ(DibBitCount(dib), c.bits);
    EXPECT_EQ(notes.profileUsed, c.converted);
    EXPECT_EQ(notes.turned, c.orientation != 1);
    const int difference = maxChannelDifference(dibToRgb(dib), *reference);
    EXPECT_TRUE(difference >= 0 && difference <= c.tolerance) << difference;  // -1: the sizes differ
  }
}

// ---- Hardening of the PNG and GIF readers ----

// Fixtures named good-...: a tRNS chunk before PLTE (libpng drops it, and with it the alpha
// channel a header-driven reader would expect), interlaced files that need a conversion and
// are read pass by pass (alpha, 2-bit, 16-bit, transparent grey, passes without pixels), and a
// GIF whose code table fills up without a clear code (codes stay at 12 bits). JPEG XL files made
// by cjxl, lossless and lossy, from 8-bit, 16-bit and float samples, with alpha, an animation (its
// first frame), and a phone's portrait photo whose codestream orientation turns it (and whose Exif
// must not turn it again).
TEST(LibCodecs, GoodFixturesDecodeLikeTheReference) {
  // The TIFF and JPEG ones need reference options of their own (tiff_jpeg_hardening_test.cpp).
  const std::vector<std::string> files = fixtureFiles(true, {"png", "gif", "jxl"});
  ASSERT_FALSE(files.empty());
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    const auto reference = referenceDecode(path);
    ASSERT_TRUE(reference);
    std::vector<int> reports;
    const TDib dib = OpenDib(path, 0, [&](int p) { reports.push_back(p); });
    ASSERT_FALSE(dib.empty());
    // Alpha on white may round apart, and so may rounding 16-bit or float samples to 8.
    const bool exact = path.find("lossless-rgb.") != std::string::npos || path.find("lossless-grey") != std::string::npos;
    EXPECT_LE(maxChannelDifference(dibToRgb(dib), *reference), exact ? 0 : 1);
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(reports.front(), 0);
    EXPECT_EQ(reports.back(), 100);
  }
}

// WebP files made by cwebp and img2webp decode as dwebp decodes them, alpha laid onto white; an
// animation shows its first frame (taken out by webpmux). Pixels only: the picture is not turned
// or converted by the file's metadata here.
TEST(WebpCodec, DecodesLikeDwebp) {
  const struct {
    const char* file;
    int width, height;
    int tolerance;  // alpha on white may round apart from ImageMagick's flattening
    bool animation;
  } cases[] = {
      {"good-lossy.webp", 48, 32, 0, false},         {"good-lossless.webp", 48, 32, 0, false},
      {"good-lossy-alpha.webp", 40, 30, 1, false},   {"good-lossless-alpha.webp", 40, 30, 1, false},
      {"good-odd-17x13.webp", 17, 13, 0, false},     {"good-exif-icc.webp", 48, 32, 0, false},
      {"good-animation.webp", 48, 32, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = dataPath(std::string("webp/") + c.file);
    std::string still = path;
    if (c.animation) {
      still = tempPath(std::string("frame1-") + c.file);
      ASSERT_EQ(std::system(("webpmux -get frame 1 '" + path + "' -o '" + still + "' 2>/dev/null").c_str()), 0);
    }
    const std::string pam = tempPath(std::string("dwebp-") + c.file + ".pam");
    ASSERT_EQ(std::system(("dwebp -quiet '" + still + "' -pam -o '" + pam + "'").c_str()), 0);
    const auto reference = referenceDecode(pam);
    ASSERT_TRUE(reference);

    LoadRequest request;
    std::vector<int> reports;
    request.progress = [&](int p) { reports.push_back(p); };
    request.read = ReadOptions{false, false};
    const TDib dib = loadPicture(path, request);
    ASSERT_FALSE(dib.empty());
    EXPECT_EQ(DibWidth(dib), c.width);
    EXPECT_EQ(DibHeight(dib), c.height);
    EXPECT_EQ(DibBitCount(dib), 24);
    EXPECT_LE(maxChannelDifference(dibToRgb(dib), *reference), c.tolerance);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), 100);
    expectRefusedWhenCutShort(path);
  }
}

// The EXIF chunk (without the "Exif\0\0" some writers put first) and the ICCP chunk are noted
// before the size check, so a read of the header sees them as a full decode does.
TEST(WebpCodec, NotesExifFromItsTiffHeaderAndTheProfile) {
  const std::vector<uint8_t> bytes = readFile(dataPath("webp/good-exif-icc.webp"));
  const std::vector<uint8_t> profile = readFile("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc");
  ASSERT_FALSE(profile.empty());
  for (const bool headerOnly : {false, true}) {
    SCOPED_TRACE(headerOnly ? "header" : "picture");
    MemoryInputStream in(bytes);
    if (headerOnly) in.stopAtHeader();
    EXPECT_EQ(webpCodec().decode(in, nullptr).empty(), headerOnly);
    const std::vector<uint8_t>& exif = in.metadata().exif;
    ASSERT_GE(exif.size(), 8u);
    EXPECT_TRUE(std::memcmp(exif.data(), "MM\0*", 4) == 0 || std::memcmp(exif.data(), "II*\0", 4) == 0);
    EXPECT_EQ(in.metadata().icc, profile);
  }
}

// Sizes go to admitSize and are named as too large; files without a picture count as damaged.
TEST(LibCodecs, RefusalsNameTheirReason) {
  const struct {
    const char* file;
    FileFault fault;
  } cases[] = {
      {"png/bad-huge-size.png", FileFault::TooLarge},
      {"gif/bad-huge-size.gif", FileFault::TooLarge},
      {"tiny/jxl-huge-size.jxl", FileFault::TooLarge},
      {"tiny/jxl-cut-short.jxl", FileFault::Damaged},
      {"jxl/bad-scrambled.jxl", FileFault::Damaged},
      {"tiny/png-grey-cut-short.png", FileFault::Damaged},
      {"tiny/png-trns-before-plte-cut-short.png", FileFault::Damaged},
      {"tiny/gif-1x1-frame-on-huge-screen.gif", FileFault::Damaged},
      {"tiny/gif-no-image-huge-screen.gif", FileFault::Damaged},
      {"tiny/gif-tiles-on-huge-screen.gif", FileFault::Damaged},
      {"tiny/gif-tiles-cut-short.gif", FileFault::Damaged},
      {"webp/bad-huge-size.webp", FileFault::TooLarge},
      {"webp/bad-truncated.webp", FileFault::Damaged},
      {"webp/bad-riff-only.webp", FileFault::Damaged},
      {"webp/bad-scrambled-lossless.webp", FileFault::Damaged},
      {"webp/bad-animation-cut.webp", FileFault::Damaged},
      {"tiny/webp-lossless-huge-cut.webp", FileFault::Damaged},
      {"tiny/heic-ispe-30000x30000.heic", FileFault::TooLarge},
      {"tiny/avif-ispe-60000x60000.avif", FileFault::TooLarge},
      {"heif/bad-truncated.heic", FileFault::Damaged},
      {"heif/bad-no-meta.avif", FileFault::Damaged},
      {"tiny/avif-no-depth.avif", FileFault::Damaged},
  };
  for (const auto& c : cases) {
    FileError why;
    EXPECT_TRUE(OpenDib(dataPath(c.file), 0, nullptr, &why).empty()) << c.file;
    EXPECT_EQ(why.fault, c.fault) << c.file;
  }
}

// ---- HEIF and AVIF ----

// Peak signal-to-noise ratio of 8-bit channels in dB; infinite for equal pictures, 0 when the
// sizes differ.
double psnr(const RgbImage& a, const RgbImage& b) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return 0;
  double sum = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) sum += (a.rgb[i] - b.rgb[i]) * (a.rgb[i] - b.rgb[i]);
  return sum == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.rgb.size()) / sum);
}

// The fixtures of tests/data/heif, made by heif-enc and avifenc, against heif-convert: for HEIC
// the encoder's own decoder, for AVIF one that shares no code with libavif. It turns and mirrors
// as the container says.
// Samples above 8 bits come in cut to 8, grids whole, alpha on white; a cut-short file is refused.
TEST(HeifCodec, DecodesLikeTheEncodersOwnDecoder) {
  const struct {
    const char* file;
    bool exact;  // lossless: equal, else PSNR >= 50 dB
  } cases[] = {
      {"good-37x23.heic", false},  {"good-lossless.heic", true}, {"good-alpha.heic", false},
      {"good-10bit.heic", false},  {"good-12bit.heic", false},   {"good-37x23.avif", false},
      {"good-lossless.avif", true}, {"good-alpha.avif", false},  {"good-10bit.avif", false},
      {"good-12bit.avif", false},  {"good-grid-2x2.avif", false}, {"good-10bit-alpha.avif", false},
      // Turned a quarter left by its irot box; its Exif orientation 6 must not turn it again.
      {"good-irot-exif6.avif", false},
      // Mirrored top to bottom; turned a quarter left, then mirrored left to right.
      {"good-imir0.avif", false},  {"good-irot1-imir1.avif", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = dataPath(std::string("heif/") + c.file);
    const bool heic = std::filesystem::path(path).extension() == ".heic";
    const std::string decoded = tempPath(std::string("tool-") + c.file + ".png");
    ASSERT_EQ(std::system(("heif-convert --quiet '" + path + "' '" + decoded + "' >/dev/null").c_str()), 0);
    const auto reference = referenceDecode(decoded);
    ASSERT_TRUE(reference);

    const std::vector<uint8_t> bytes = readFile(path);
    EXPECT_EQ(heifCodec().probe(std::span(bytes.data(), 64)), heic);
    EXPECT_EQ(avifCodec().probe(std::span(bytes.data(), 64)), !heic);
    std::vector<int> reports;
    const TDib dib = OpenDib(path, 0, [&](int p) { reports.push_back(p); });
    ASSERT_FALSE(dib.empty());
    EXPECT_EQ(DibBitCount(dib), 24);
    if (c.exact)
      EXPECT_EQ(maxChannelDifference(dibToRgb(dib), *reference), 0);
    else
      EXPECT_GE(psnr(dibToRgb(dib), *reference), 50.0);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), 100);
    for (size_t cut : {bytes.size() / 4, bytes.size() / 2, bytes.size() * 3 / 4})
      EXPECT_TRUE(decodeBytes(std::span(bytes.data(), cut)).empty()) << "cut at " << cut;
  }
}

// The colour profile a JPEG XL file notes for the load's last step: libjxl renders a lossy Display
// P3 file into sRGB itself (the profile is noted as applied) unless profiles are ignored, a
// lossless one is left to that step, an sRGB file notes none.
TEST(JxlCodec, NotesItsProfileForTheLoad) {
  const struct {
    const char* file;
    bool useProfile, profile, applied;
  } cases[] = {
      {"jxl/good-lossy-p3.jxl", true, true, true},
      {"jxl/good-lossy-p3.jxl", false, true, false},
      {"jxl/lossless-p3.jxl", true, true, false},
      {"jxl/good-lossless-rgb.jxl", true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::vector<uint8_t> bytes = readFile(dataPath(c.file));
    MemoryInputStream in(bytes);
    in.setReadOptions({.autoOrient = true, .useProfile = c.useProfile});
    ASSERT_FALSE(jxlCodec().decode(in, nullptr).empty());
    EXPECT_EQ(!in.metadata().icc.empty(), c.profile);
    EXPECT_EQ(in.metadata().profileApplied, c.applied);
  }
}

// A file larger than the pieces libjxl is handed (1 MiB) is read across their seams, from a file
// and from memory alike, and still refused when cut short.
TEST(JxlCodec, AFileOfSeveralPiecesDecodesLikeDjxl) {
  const std::string png = tempPath("noise.png"), jxl = tempPath("noise.jxl");
  ASSERT_EQ(std::system(("/usr/bin/convert -size 1700x1300 xc:gray -seed 3 +noise Random -depth 8 -strip " + png +
                         " && cjxl --quiet " + png + " " + jxl + " -d 0 -e 1 2>/dev/null")
                            .c_str()),
            0);
  const std::vector<uint8_t> bytes = readFile(jxl);
  ASSERT_GT(bytes.size(), size_t{2} << 20);
  const auto reference = referenceDecode(jxl);
  ASSERT_TRUE(reference);
  EXPECT_EQ(maxChannelDifference(dibToRgb(OpenDib(jxl, 0, {})), *reference), 0);
  EXPECT_EQ(maxChannelDifference(dibToRgb(decodeBytes(bytes)), *reference), 0);
  EXPECT_TRUE(decodeBytes(std::span(bytes.data(), bytes.size() * 3 / 4)).empty());
}

struct GifScreen {
  int width, height;                        // logical screen
  int left, top, frameWidth, frameHeight;   // the one frame
  std::vector<std::array<uint8_t, 3>> map;  // global colour map, a power of two long
};

int gifWriteFn(GifFileType* gif, const GifByteType* data, int length) {
  return static_cast<MemoryOutputStream*>(gif->UserData)->write(data, static_cast<size_t>(length)) ? length : 0;
}

// Frame pixel (x, y) holds entry (x + 2 y) mod the map's size.
std::vector<uint8_t> writeGif(const GifScreen& s) {
  std::vector<GifColorType> colours;
  for (const auto& c : s.map) colours.push_back(GifColorType{c[0], c[1], c[2]});
  ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
  MemoryOutputStream out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, gifWriteFn, &error);
  EGifPutScreenDesc(gif, s.width, s.height, 8, 0, map);
  EGifPutImageDesc(gif, s.left, s.top, s.frameWidth, s.frameHeight, false, nullptr);
  std::vector<GifPixelType> line(static_cast<size_t>(s.frameWidth));
  for (int y = 0; y < s.frameHeight; ++y) {
    for (int x = 0; x < s.frameWidth; ++x)
      line[static_cast<size_t>(x)] = static_cast<GifPixelType>((x + 2 * y) % s.map.size());
    EGifPutLine(gif, line.data(), s.frameWidth);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out.data();
}

// Dark colours, none of them white; entry `light` (when given) set to `colour`.
std::vector<std::array<uint8_t, 3>> darkMap(int size, int light = -1, std::array<uint8_t, 3> colour = {}) {
  std::vector<std::array<uint8_t, 3>> map;
  for (int i = 0; i < size; ++i)
    map.push_back({static_cast<uint8_t>(i % 100), 40, static_cast<uint8_t>(150 - i % 100)});
  if (light >= 0) map[static_cast<size_t>(light)] = colour;
  return map;
}

uint32_t rgbOf(const std::array<uint8_t, 3>& c) { return (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) | c[2]; }

// The screen outside the frame is white paper: a white entry of the map, else one added where
// the table has room, else the entry nearest to white. Frames start and end inside packed bytes.
TEST(GifCodec, ScreenOutsideTheFrameIsWhite) {
  const struct {
    const char* name;
    GifScreen gif;
    int bits;
    int outsideIndex;
    uint32_t outside;
  } cases[] = {
      {"RoomAt4Bits", {21, 9, 3, 2, 5, 3, darkMap(4)}, 4, 4, 0xffffff},
      {"RoomAt8Bits", {21, 9, 3, 2, 5, 3, darkMap(32)}, 8, 32, 0xffffff},
      {"WhiteInTheMap", {21, 9, 3, 2, 5, 3, darkMap(4, 2, {255, 255, 255})}, 4, 2, 0xffffff},
      {"FullAt4Bits", {21, 9, 3, 2, 5, 3, darkMap(16, 9, {230, 220, 240})}, 4, 9, 0xe6dcf0},
      {"FullAt1Bit", {21, 9, 3, 2, 5, 3, darkMap(2, 1, {200, 180, 160})}, 1, 1, 0xc8b4a0},
      {"FullAt8Bits", {21, 9, 3, 2, 5, 3, darkMap(256, 200, {250, 250, 251})}, 8, 200, 0xfafafb},
      {"FrameAtTheEdges", {21, 9, 0, 0, 21, 4, darkMap(4)}, 4, 4, 0xffffff},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const GifScreen& g = c.gif;
    const TDib dib = decodeBytes(writeGif(g));
    ASSERT_FALSE(dib.empty());
    ASSERT_EQ(DibWidth(dib), g.width);
    ASSERT_EQ(DibHeight(dib), g.height);
    EXPECT_EQ(DibBitCount(dib), c.bits);
    const RgbImage rgb = dibToRgb(dib);
    for (int y = 0; y < g.height; ++y)
      for (int x = 0; x < g.width; ++x) {
        const int fx = x - g.left, fy = y - g.top;
        const bool inside = fx >= 0 && fy >= 0 && fx < g.frameWidth && fy < g.frameHeight;
        const uint32_t want = inside ? rgbOf(g.map[static_cast<size_t>(fx + 2 * fy) % g.map.size()]) : c.outside;
        ASSERT_EQ(rgb.at(x, y), want) << x << "," << y;
        if (!inside) ASSERT_EQ(getpixel(dib, x, y), c.outsideIndex) << x << "," << y;
      }
  }
}

// A frame covering under 1 % of a screen whose white fill alone would pass 64 MiB holds no
// picture: refused. Larger frames on such a screen, or tiny ones on a moderate screen,
// still load. Entry 0 is white here, so loading a large screen costs no memory.
TEST(GifCodec, FramesVanishingOnAHugeScreenAreRefused) {
  const auto map = darkMap(256, 0, {255, 255, 255});
  const struct {
    const char* name;
    GifScreen gif;
    bool loads;
  } cases[] = {
      {"OnePixelOn128MiB", {65535, 2048, 9, 9, 1, 1, map}, false},
      {"OnePercentOf128MiB", {65535, 2048, 9, 9, 1311, 1024, map}, true},
      {"JustUnderOnePercent", {65535, 2048, 9, 9, 1310, 1024, map}, false},
      {"OnePixelOn16MiB", {4096, 4096, 9, 9, 1, 1, map}, true},
  };
  for (const auto& c : cases) {
    FileError why;
    const std::vector<uint8_t> bytes = writeGif(c.gif);
    MemoryInputStream in(bytes);
    const TDib dib = openDibFromStream(in, nullptr, &why);
    EXPECT_EQ(!dib.empty(), c.loads) << c.name;
    if (!c.loads) EXPECT_EQ(why.fault, FileFault::Damaged) << c.name;
  }
}

}  // namespace
