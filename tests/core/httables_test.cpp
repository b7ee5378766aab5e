#include "picture/httables.h"

#include <gtest/gtest.h>

using namespace tessaro;

namespace {

RgbTriple dithered(uint8_t r, uint8_t g, uint8_t b, int x, int y) { return StdPalette256[ditherIndex(r, g, b, x, y)]; }

}  // namespace

TEST(OrderedDither, ExtremesAndPrimariesAtEveryPosition) {
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(ditherIndex(0, 0, 0, x, y), 0);
      EXPECT_EQ(ditherIndex(255, 255, 255, x, y), 255);
      EXPECT_EQ(ditherIndex(255, 0, 0, x, y), 249);
      EXPECT_EQ(ditherIndex(0, 255, 0, x, y), 250);
      EXPECT_EQ(ditherIndex(0, 0, 255, x, y), 252);
      // Next to pure green: shares its entry rather than owning one.
      EXPECT_EQ(ditherIndex(51, 255, 0, x, y), 250);
      EXPECT_EQ((dithered(51, 102, 153, x, y)), (RgbTriple{51, 102, 153}));
    }
}

TEST(OrderedDither, RemainderAgainstThreshold) {
  int level0 = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ((dithered(0, 51, 0, x, y)), (RgbTriple{0, 51, 0}));
      const RgbTriple c = dithered(0, 0, 50, x, y);
      if (c.b == 0) {
        ++level0;
        EXPECT_EQ(x, 0);  // the one position whose threshold is 50
        EXPECT_EQ(y, 7);
      } else {
        EXPECT_EQ(c.b, 51);
      }
    }
  EXPECT_EQ(level0, 1);
  // Threshold 0 at the origin: the smallest remainder moves up there, and only there it is certain.
  EXPECT_EQ((dithered(1, 0, 0, 0, 0)), (RgbTriple{51, 0, 0}));
  EXPECT_EQ((dithered(1, 0, 0, 1, 0)), (RgbTriple{0, 0, 0}));
  // The pattern repeats every 8 columns and 8 stored rows.
  for (int v : {17, 99, 230})
    EXPECT_EQ(ditherIndex(uint8_t(v), uint8_t(v), uint8_t(v), 3, 5), ditherIndex(uint8_t(v), uint8_t(v), uint8_t(v), 11, 21));
}

TEST(OrderedDither, EightByEightBlockAveragesToTheGreyValue) {
  for (int v = 0; v < 256; ++v) {
    double sum = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const RgbTriple c = dithered(uint8_t(v), uint8_t(v), uint8_t(v), x, y);
        ASSERT_TRUE(c.r == c.g && c.g == c.b) << v;
        sum += c.r;
      }
    EXPECT_NEAR(sum / 64, v, 1.0) << v;
  }
}

TEST(StdPalettes, CubeEntriesHoldTheirColours) {
  for (int b = 0; b < 6; ++b)
    for (int g = 0; g < 6; ++g)
      for (int r = 0; r < 6; ++r) {
        const int cell = r + 6 * g + 36 * b;
        const RgbTriple c = StdPalette256[HalftoneXlat[static_cast<size_t>(cell)]];
        const bool nearGreen = (r == 1 && g == 5 && b == 0) || (r == 0 && g == 5 && b == 1);
        const bool nearBlue = (r == 1 && g == 0 && b == 5) || (r == 0 && g == 1 && b == 5);
        if (nearGreen)
          EXPECT_EQ(c, (RgbTriple{0, 255, 0})) << cell;
        else if (nearBlue)
          EXPECT_EQ(c, (RgbTriple{0, 0, 255})) << cell;
        else
          EXPECT_EQ(c, (RgbTriple{uint8_t(51 * r), uint8_t(51 * g), uint8_t(51 * b)})) << cell;
      }
}

TEST(StdPalettes, WindowsColoursAndTheSixteenColourPalette) {
  const struct {
    int index;
    RgbTriple colour;
  } windows[] = {{0, {0, 0, 0}},         {1, {128, 0, 0}},     {2, {0, 128, 0}},     {3, {128, 128, 0}},
                 {4, {0, 0, 128}},       {5, {128, 0, 128}},   {6, {0, 128, 128}},   {7, {192, 192, 192}},
                 {8, {192, 220, 192}},   {9, {166, 202, 240}}, {246, {255, 251, 240}}, {247, {160, 160, 164}},
                 {248, {128, 128, 128}}, {249, {255, 0, 0}},   {250, {0, 255, 0}},   {251, {255, 255, 0}},
                 {252, {0, 0, 255}},     {253, {255, 0, 255}}, {254, {0, 255, 255}}, {255, {255, 255, 255}}};
  for (const auto& w : windows) EXPECT_EQ(StdPalette256[static_cast<size_t>(w.index)], w.colour) << w.index;
  // The grey ramp between the system colours and the cube.
  EXPECT_EQ(StdPalette256[10], (RgbTriple{4, 4, 4}));
  EXPECT_EQ(StdPalette256[245], (RgbTriple{248, 248, 248}));
  // Every colour of the 16-colour palette is one of the twenty system colours.
  for (const RgbTriple& c : StdPalette16) {
    bool found = false;
    for (const auto& w : windows) found = found || w.colour == c;
    EXPECT_TRUE(found) << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
  EXPECT_EQ(StdPalette16[8], (RgbTriple{128, 128, 128}));
  EXPECT_EQ(StdPalette16[15], (RgbTriple{255, 255, 255}));
}
