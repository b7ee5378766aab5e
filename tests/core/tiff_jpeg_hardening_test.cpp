// TIFF and JPEG files at the edges of what the decoders take: layouts read in bands or tiles,
// extra samples that are not alpha, 32-bit samples and many scans must load like ImageMagick
// reads them; damaged, oversized and unsupported files must be refused with the right reason.
// The small hostile files under tests/data/tiny are also measured by HostileFiles.
//
// Fixtures were made with short Python scripts writing the TIFF structures by hand (pixels of
// good-*.tif follow simple formulas, the extra sample differing from the colours), with
// ImageMagick and jpegtran (good-100-scans.jpg by a scan script; bad-101-scans.jpg repeats its
// last scan), and by patching headers of small files (sizes, the 12-bit precision) or cutting
// and scrambling their data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "picture/CodecRegistry.h"
#include "support/ReferenceImage.h"
#include "support/TestData.h"

using namespace tessaro;
using namespace tessaro::test;

namespace {

struct GoodCase {
  const char* name;
  const char* file;           // fixture under tests/data, or the name of a file `make` writes
  const char* make;           // convert arguments that write the file; null for a fixture
  const char* referenceArgs;  // convert arguments for the reference's reading ("" for none)
  int bits;                   // depth the picture must come in at
  int tolerance;              // largest channel difference against the reference
};

const GoodCase kGoodCases[] = {
    // The extra sample must not act as alpha: the reference reads the colours alone.
    {"RgbUnspecifiedExtra", "tiff/good-rgb-unspecified-extra.tif", nullptr, "-alpha off", 24, 0},
    {"TiledRgbUnspecifiedExtra", "tiff/good-tiled-rgb-unspecified-extra.tif", nullptr, "-alpha off", 24, 0},
    {"Grey32", "tiff/good-grey-32bit.tif", nullptr, "", 8, 0},
    {"Rgb32", "tiff/good-rgb-32bit.tif", nullptr, "", 24, 0},
    {"RgbUnassociatedAlpha32", "tiff/good-rgb-alpha-32bit.tif", nullptr, "", 24, 1},
    // 70 x 50 in tiles of 32 x 32: tiles cut by both edges, alpha laid onto white.
    {"TiledRgba", "tiff/good-tiled-rgba.tif", nullptr, "", 24, 1},
    // One strip of 1100 rows of CMYK, converted in several bands.
    {"CmykOneStripInBands", "cmyk.tif",
     "-size 2100x1100 radial-gradient:orange-teal -colorspace CMYK -depth 8 -compress LZW "
     "-define tiff:rows-per-strip=1100",
     "", 24, 1},
    // Stored bottom row first: every band must land mirrored, not just flipped in itself.
    {"BottomUpCmykInBands", "cmyk-bottom-up.tif",
     "-size 2100x1100 gradient:orange-teal -colorspace CMYK -depth 8 -compress LZW -orient BottomLeft", "-auto-orient",
     24, 1},
    // Separate planes with alpha, in bands of whole strips.
    {"PlanarRgbaInBands", "planar.tif",
     "-size 2000x2000 radial-gradient:orange-teal \\( -size 2000x2000 gradient:white-gray20 \\) -alpha off "
     "-compose CopyOpacity -composite -depth 8 -interlace Plane -compress LZW -define tiff:rows-per-strip=64",
     "", 24, 1},
    // libtiff leaves grey under unassociated alpha unmixed, and skips the rest of a tile's row
    // wrongly for it where the right edge cuts the tile.
    {"TiledGreyAlpha", "grey-alpha.tif",
     "-size 67x45 radial-gradient:white-gray10 -colorspace Gray \\( -size 67x45 gradient:white-gray30 \\) "
     "-alpha off -compose CopyOpacity -composite -depth 8 -compress LZW -define tiff:tile-geometry=32x32",
     "", 24, 1},
    // 16-bit grey under alpha, unassociated and associated, laid onto white (libtiff's reader
    // drops the alpha of 16-bit grey); samples are narrowed to 8 bits before mixing.
    {"Grey16Alpha", "grey16-alpha.tif",
     "-size 67x45 radial-gradient:white-gray10 -colorspace Gray \\( -size 67x45 gradient:white-gray30 \\) "
     "-alpha off -compose CopyOpacity -composite -depth 16 -compress LZW",
     "", 8, 2},
    {"Grey16AssociatedAlpha", "grey16-associated.tif",
     "-size 67x45 radial-gradient:white-gray10 -colorspace Gray \\( -size 67x45 gradient:black-white \\) "
     "-alpha off -compose CopyOpacity -composite -depth 16 -define tiff:alpha=associated -compress LZW",
     "", 8, 2},
    // The same in tiles cut by both edges, which libtiff's reader would have taken.
    {"TiledGrey16Alpha", "grey16-alpha-tiled.tif",
     "-size 67x45 radial-gradient:white-gray10 -colorspace Gray \\( -size 67x45 gradient:white-gray30 \\) "
     "-alpha off -compose CopyOpacity -composite -depth 16 -compress LZW -define tiff:tile-geometry=32x32",
     "", 8, 2},
    // libtiff's reader takes CMYK of 8 bits only; ours narrows each ink before mixing.
    {"Cmyk16", "tiff/good-cmyk-16bit.tif", nullptr, "", 24, 2},
    {"TiledCmyk16", "cmyk16-tiled.tif",
     "-size 70x50 gradient:orange-teal -colorspace CMYK -depth 16 -define tiff:tile-geometry=32x32", "", 24, 2},
    {"Jpeg100Scans", "jpeg/good-100-scans.jpg", nullptr, "", 8, 1},
    // A photo-sized progressive file without subsampling: its coefficient buffer is twice the
    // picture, which the memory rule must grant.
    {"JpegProgressivePhoto", "progressive.jpg",
     "-size 6000x4000 radial-gradient:orange-teal -sampling-factor 1x1 -interlace JPEG -quality 90", "", 24, 2},
};

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// The file of a case, made first when it is not a fixture.
std::string casePath(const GoodCase& c) {
  if (!c.make) return dataPath(c.file);
  const std::string path = tempPath(std::string(c.name) + "-" + c.file);
  const std::string cmd = "/usr/bin/convert " + std::string(c.make) + " " + quoted(path) + " 2>/dev/null";
  return std::system(cmd.c_str()) == 0 ? path : std::string();
}

std::optional<RgbImage> reference(const std::string& path, const GoodCase& c) {
  if (!*c.referenceArgs) return referenceDecode(path);
  const std::string png = tempPath(std::string(c.name) + "-reference.png");
  const std::string cmd =
      "/usr/bin/convert " + quoted(path + "[0]") + " " + c.referenceArgs + " " + quoted(png) + " 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) return std::nullopt;
  return referenceDecode(png);
}

class GoodFileTest : public ::testing::TestWithParam<GoodCase> {};

TEST_P(GoodFileTest, LoadsLikeTheReference) {
  const GoodCase& c = GetParam();
  const std::string path = casePath(c);
  ASSERT_FALSE(path.empty());
  const auto expected = reference(path, c);
  ASSERT_TRUE(expected);
  std::vector<int> reports;
  FileError why;
  const TDib dib = OpenDib(
      path, 0, [&](int p) { reports.push_back(p); }, &why);
  ASSERT_FALSE(dib.empty()) << "fault " << static_cast<int>(why.fault) << " " << why.detail;
  EXPECT_EQ(DibBitCount(dib), c.bits);
  EXPECT_LE(maxChannelDifference(dibToRgb(dib), *expected), c.tolerance);
  ASSERT_FALSE(reports.empty());
  EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
  EXPECT_EQ(reports.back(), 100);
}

INSTANTIATE_TEST_SUITE_P(TiffJpeg, GoodFileTest, ::testing::ValuesIn(kGoodCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefusedCase {
  const char* file;  // under tests/data
  FileFault fault;
  const char* detail;
};

const RefusedCase kRefusedCases[] = {
    // A CMYK picture of 16384 x 16384 in 151 bytes whose LZW data ends after a few codes.
    {"tiny/tiff-cmyk-lzw-huge.tif", FileFault::Damaged, ""},
    // Every tile after the first lies past the end of the file.
    {"tiny/tiff-tiled-cut-huge.tif", FileFault::Damaged, ""},
    // Damage met midway, after the first strips or tiles decoded well.
    {"tiff/bad-cmyk-scrambled.tif", FileFault::Damaged, ""},
    {"tiff/bad-tiled-scrambled.tif", FileFault::Damaged, ""},
    {"tiff/bad-jpeg-scrambled.tif", FileFault::Damaged, ""},
    {"tiff/bad-jpeg-cut-strip.tif", FileFault::Damaged, ""},
    // JPEG-compressed strips of 16384 x 16384: one whose data ends after a few blocks, one
    // progressive with an AC scan and no DC scan.
    {"tiny/tiff-jpeg-grey-huge.tif", FileFault::Damaged, ""},
    {"tiny/tiff-jpeg-progressive-ac-only.tif", FileFault::Unsupported, "progressive JPEG strips"},
    // Found by fuzzing: odd scan parameters make libjpeg's first warning a harmless one, after
    // which it reports no more, and 20 bytes of data stood for 16384 x 16384 pixels.
    {"tiny/tiff-jpeg-odd-scan-runs-out.tif", FileFault::Damaged, ""},
    {"tiff/bad-huge-size.tif", FileFault::TooLarge, ""},
    // Tiles of 4096 x 4096 need more working memory than one band may take.
    {"tiff/bad-huge-tiles.tif", FileFault::TooLarge, ""},
    {"tiff/bad-float-samples.tif", FileFault::Unsupported, "floating-point samples"},
    // An AC scan over 16384 x 16384 blocks with no DC scan before it.
    {"tiny/jpeg-progressive-ac-without-dc.jpg", FileFault::Damaged, ""},
    {"tiny/jpeg-progressive-cut.jpg", FileFault::Damaged, ""},
    {"jpeg/bad-huge-size.jpg", FileFault::TooLarge, ""},
    // 16384 x 16384 progressive colour: the picture fits, picture and coefficients do not.
    {"jpeg/bad-progressive-too-large.jpg", FileFault::TooLarge, ""},
    {"jpeg/bad-101-scans.jpg", FileFault::Unsupported, "more than 100 scans"},
    {"jpeg/bad-many-scans.jpg", FileFault::Unsupported, "more than 100 scans"},
    {"jpeg/bad-12-bit.jpg", FileFault::Unsupported, "12-bit samples"},
};

TEST(TiffJpegRefusals, SayWhy) {
  for (const RefusedCase& c : kRefusedCases) {
    FileError why;
    const TDib dib = OpenDib(dataPath(c.file), 0, {}, &why);
    EXPECT_TRUE(dib.empty()) << c.file;
    EXPECT_EQ(why.fault, c.fault) << c.file << ": " << why.detail;
    EXPECT_EQ(why.detail, c.detail) << c.file;
  }
}

// Damage the libraries get through with warnings: entropy-coded data scrambled, and a PNG text
// chunk with a wrong checksum. The witness, another program on the same data, says so. Refused
// by default at the first damaged byte, kept when asked for with the same byte. The bytes are the
// witness's: where the stray bytes it counts begin (2 for the end marker, 6 stray), the end
// marker where the data ran out, the start of the damaged strip (tiffinfo -s), the checksum.
struct DamagedCase {
  const char* file;
  const char* witness;
  const char* says;
  uint64_t byte;
  int width, height;
};

const DamagedCase kDamagedCases[] = {
    {"jpeg/bad-scrambled-at-5905.jpg", "djpeg -outfile /dev/null", "Corrupt JPEG data", 55396 - 2 - 6, 640, 480},
    {"jpeg/bad-scrambled-at-16903.jpg", "djpeg -outfile /dev/null", "Corrupt JPEG data", 55396 - 2, 640, 480},
    {"jpeg/bad-scrambled-at-38897.jpg", "djpeg -outfile /dev/null", "Corrupt JPEG data", 55396 - 2, 640, 480},
    {"tiff/bad-jpeg-scrambled-at-45908.tif", "tiffinfo -D", "Corrupt JPEG data", 30736, 640, 480},
    {"png/bad-text-crc-at-56.png", "/usr/bin/identify", "CRC error", 56, 48, 32},
};

std::string stderrOf(const std::string& command) {
  const std::string out = tempPath("witness.txt");
  if (std::system((command + " 2>" + quoted(out) + " >/dev/null").c_str()) < 0) return {};
  std::ifstream in(out);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(DecodableDamage, IsMarkedAtItsFirstByteAndKeptOnlyWhenAsked) {
  for (const DamagedCase& c : kDamagedCases) {
    const std::string path = dataPath(c.file);
    EXPECT_NE(stderrOf(std::string(c.witness) + " " + quoted(path)).find(c.says), std::string::npos) << c.file;
    FileError refused, kept;
    EXPECT_TRUE(OpenDib(path, 0, {}, &refused).empty()) << c.file;
    const TDib dib = OpenDib(path, 0, {}, &kept, DamagedPicture::Keep);
    for (const FileError& why : {refused, kept}) {
      EXPECT_EQ(why.fault, FileFault::Damaged) << c.file;
      EXPECT_EQ(why.offset, c.byte) << c.file;
    }
    EXPECT_EQ(DibWidth(dib), c.width) << c.file;
    EXPECT_EQ(DibHeight(dib), c.height) << c.file;
  }
}

}  // namespace
