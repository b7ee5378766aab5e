// Kept BMP, PCX, IFF/LBM and TGA files with known content: the variants that load are checked
// pixel by pixel against values worked out by hand from their bytes, the refused ones by the
// reason a user is told.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "picture/CodecRegistry.h"
#include "support/ReferenceImage.h"
#include "support/TestData.h"

using namespace tessaro;
using namespace tessaro::test;

namespace {

struct KnownPicture {
  const char* file;
  int bits;
  int width;
  int height;
  std::vector<int> indices;      // row by row from the top
  std::vector<uint32_t> colors;  // 0xRRGGBB of the first table entries
  int blackFrom;                 // table entries from here on must be black
  bool imageMagickReads;         // cross-check the colours with ImageMagick as well
};

std::vector<uint32_t> greyRamp() {
  std::vector<uint32_t> ramp;
  for (uint32_t v = 0; v < 256; ++v) ramp.push_back(v * 0x010101u);
  return ramp;
}

// Grey + alpha: grey g under alpha a on white is g*a/255 + 255 - a, rounded down; for example
// (200, 128) gives 100.39 + 127 = 227 and (37, 200) gives 29.02 + 55 = 84.
const KnownPicture kKnown[] = {
    {"tga/good-grey-alpha.tga", 8, 3, 2, {0, 255, 227, 255, 84, 197}, greyRamp(), 256, false},
    // Bottom row first in the file: three of (50, 100) = 175, then (10, 255) = 10; the top row
    // (250, 10) = 254.8, (128, 128) = 191.25 and two fully transparent pixels.
    {"tga/good-grey-alpha-rle.tga", 8, 4, 2, {255, 191, 255, 255, 175, 175, 175, 10}, greyRamp(), 256, false},
    // Two bits a pixel: 0x1B 0x40 = 0 1 2 3 1, 0xFF 0xC0 = 3 3 3 3 3; header colour k is
    // (16k + 1, 200 - 10k, 5k + 3).
    {"pcx/good-2bit.pcx", 4, 5, 2, {0, 1, 2, 3, 1, 3, 3, 3, 3, 3}, {0x01c803, 0x11be08, 0x21b40d, 0x31aa12}, 4, true},
};

class KnownPictures : public ::testing::TestWithParam<KnownPicture> {};

TEST_P(KnownPictures, LoadWithTheirPixelsAndColours) {
  const KnownPicture& k = GetParam();
  const std::string path = dataPath(k.file);
  FileError why;
  TDib dib = OpenDib(path, 0, {}, &why);
  ASSERT_FALSE(dib.empty()) << describeFileError(why);
  ASSERT_EQ(DibBitCount(dib), k.bits);
  ASSERT_EQ(DibWidth(dib), k.width);
  ASSERT_EQ(DibHeight(dib), k.height);
  for (int y = 0; y < k.height; ++y)
    for (int x = 0; x < k.width; ++x)
      EXPECT_EQ(getpixel(dib, x, y), k.indices[static_cast<size_t>(y * k.width + x)]) << x << "," << y;
  for (size_t i = 0; i < k.colors.size(); ++i) {
    const RgbQuad& q = dib.colors()[i];
    EXPECT_EQ((uint32_t{q.rgbRed} << 16) | (uint32_t{q.rgbGreen} << 8) | q.rgbBlue, k.colors[i]) << "entry " << i;
  }
  for (int i = k.blackFrom; i < (1 << k.bits); ++i)
    EXPECT_EQ(dib.colors()[i].rgbRed + dib.colors()[i].rgbGreen + dib.colors()[i].rgbBlue, 0) << "entry " << i;
  if (!k.imageMagickReads) return;
  const auto ref = referenceDecode(path);
  ASSERT_TRUE(ref);
  EXPECT_EQ(maxChannelDifference(dibToRgb(dib), *ref), 0);
}

INSTANTIATE_TEST_SUITE_P(Legacy, KnownPictures, ::testing::ValuesIn(kKnown), [](const auto& info) {
  std::string name = std::filesystem::path(info.param.file).stem().string();
  for (char& c : name)
    if (c == '-') c = '_';
  return name;
});

struct Refusal {
  const char* file;
  FileFault fault;
  const char* detail;
  bool atEnd;  // a file cut short is reported at its last byte
};

const Refusal kRefusals[] = {
    {"tiny/bmp-rle8-ends-at-once.bmp", FileFault::Damaged, "", true},
    {"tiny/bmp-rle8-deltas-only.bmp", FileFault::Damaged, "", true},
    {"tiny/bmp-rle4-cut-short.bmp", FileFault::Damaged, "", true},
    {"tiny/pcx-huge-cut.pcx", FileFault::Damaged, "", true},
    {"tiny/pcx-huge-no-data.pcx", FileFault::Damaged, "", true},
    {"tiny/iff-ilbm-huge-cut.iff", FileFault::Damaged, "", true},
    {"tiny/iff-pbm-huge-cut.lbm", FileFault::Damaged, "", true},
    {"tiny/iff-ilbm-empty-body.iff", FileFault::Damaged, "", true},
    {"tiny/tga-empty-body.tga", FileFault::Damaged, "", true},
    {"tiny/tga-rle-huge-cut.tga", FileFault::Damaged, "", true},
    {"ilbm/bad-zero-size.iff", FileFault::Damaged, "", false},
    {"bmp/bad_huge_dimensions.bmp", FileFault::TooLarge, "", false},
    {"pcx/bad-huge.pcx", FileFault::TooLarge, "", false},
    {"ilbm/bad-huge.iff", FileFault::TooLarge, "", false},
    {"tga/bad-huge.tga", FileFault::TooLarge, "", false},
    {"ilbm/bad-ham.iff", FileFault::Unsupported, "HAM", false},
    {"ilbm/bad-compression-2.iff", FileFault::Unsupported, "VDAT", false},
    {"ilbm/bad-dcol-555.iff", FileFault::Unsupported, "DCOL-Direktfarben", false},
    {"pcx/bad-two-planes-of-8.pcx", FileFault::Unsupported, "2 × 8 Bit", false},
    {"bmp/bad_jpeg_compression.bmp", FileFault::Unsupported, "JPEG", false},
    {"bmp/bad_os2_rle24.bmp", FileFault::Unsupported, "RLE24", false},
};

TEST(LegacyRefusals, SayWhyTheFileWasRefused) {
  for (const Refusal& r : kRefusals) {
    const std::string path = dataPath(r.file);
    FileError why;
    EXPECT_TRUE(OpenDib(path, 0, {}, &why).empty()) << r.file;
    EXPECT_EQ(why.fault, r.fault) << r.file << ": " << describeFileError(why);
    EXPECT_EQ(why.detail, r.detail) << r.file;
    if (r.atEnd) EXPECT_EQ(why.offset, std::filesystem::file_size(path)) << r.file;
  }
}

}  // namespace
