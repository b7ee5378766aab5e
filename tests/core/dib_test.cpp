#include <gtest/gtest.h>

#include "picture/Dib.h"

using namespace tessaro;

TEST(NewDib, AllocatesZeroedPixelsAndPalettesPerDepth) {
  for (int bits : {1, 4, 8, 24}) {
    TDib d = newdib(13, 7, bits, nullptr, 0);
    ASSERT_FALSE(d.empty()) << bits;
    EXPECT_NE(d.DibHandle, 0);
    EXPECT_EQ(DibWidth(d), 13);
    EXPECT_EQ(DibHeight(d), 7);
    EXPECT_EQ(DibBitCount(d), bits);
    EXPECT_EQ(d.RowBytes % 4, 0);
    EXPECT_EQ(d.Header->biSizeImage, static_cast<uint32_t>(d.RowBytes * 7));
    for (size_t i = 0; i < d.pixelBytes(); ++i) ASSERT_EQ(d.Bits[i], 0);
    if (bits <= 8) {
      EXPECT_EQ(int{d.LogPalette.palNumEntries}, 1 << bits);  // copied: the field is packed
      ASSERT_NE(d.Palette, nullptr);
    }
  }
  TDib mono = newdib(3, 3, 1, nullptr, 0);
  const auto& lp = mono.LogPalette.palPalEntry;
  EXPECT_LT(lp[0].peRed + lp[0].peGreen + lp[0].peBlue, lp[1].peRed + lp[1].peGreen + lp[1].peBlue);
}

TEST(NewDib, CopiesThePaletteSource) {
  TDib src = newdib(4, 4, 8, nullptr, 0);
  for (int i = 0; i < 256; ++i) src.colors()[i] = RgbQuad{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
  TDib d = newdib(2, 2, 4, src.info(), 16);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(d.colors()[i].rgbBlue, i);
    EXPECT_EQ(d.LogPalette.palPalEntry[i].peRed, i / 2);
    EXPECT_EQ(d.LogPalette.palPalEntry[i].peGreen, 255 - i);
  }
}

TEST(NewDib, RefusesImpossibleSizes) {
  EXPECT_TRUE(newdib(0, 10, 8, nullptr, 0).empty());
  EXPECT_TRUE(newdib(10, -1, 8, nullptr, 0).empty());
  EXPECT_TRUE(newdib(10, 10, 7, nullptr, 0).empty());
  TDib huge = newdib(100000, 100000, 24, nullptr, 0);
  EXPECT_TRUE(huge.empty());
  EXPECT_EQ(huge.DibHandle, 0);
}

TEST(Pixels, RoundTripAtEveryDepthAndOddWidths) {
  for (int bits : {1, 4, 8, 24}) {
    for (int w : {1, 3, 5, 9, 17, 33}) {
      TDib d = newdib(w, 3, bits, nullptr, 0);
      const int32_t mask = bits == 24 ? 0xffffff : (1 << bits) - 1;
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, (x * 7919 + y * 104729 + 13) & mask);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(getpixel(d, x, y), (x * 7919 + y * 104729 + 13) & mask) << bits << " " << w;
    }
  }
}

TEST(Pixels, RowZeroIsTheTopRowStoredLast) {
  TDib d = newdib(2, 3, 8, nullptr, 0);
  setpixel(d, 1, 0, 42);
  EXPECT_EQ(d.Bits[d.RowBytes * 2 + 1], 42);
  TDib b = newdib(9, 2, 1, nullptr, 0);
  setpixel(b, 0, 1, 1);
  setpixel(b, 8, 1, 1);
  EXPECT_EQ(b.Bits[0], 0x80);
  EXPECT_EQ(b.Bits[1], 0x80);
  TDib n = newdib(3, 1, 4, nullptr, 0);
  setpixel(n, 0, 0, 0xA);
  setpixel(n, 1, 0, 0x5);
  EXPECT_EQ(n.Bits[0], 0xA5);
}

TEST(Ownership, MovingIntoThePictureKeepsTheNewPixels) {
  TDib current = newdib(4, 4, 24, nullptr, 0);
  TDib loaded = newdib(6, 5, 8, nullptr, 0);
  setpixel(loaded, 5, 4, 77);
  const uint8_t* bits = loaded.Bits;
  deldib(current);
  current = std::move(loaded);
  EXPECT_EQ(current.Bits, bits);
  EXPECT_TRUE(loaded.empty());
  EXPECT_EQ(getpixel(current, 5, 4), 77);
  deldib(loaded);  // freeing the moved-from record must not touch the new picture
  EXPECT_EQ(getpixel(current, 5, 4), 77);
}

TEST(Ownership, CopyIsIndependent) {
  TDib a = newdib(3, 3, 8, nullptr, 0);
  setpixel(a, 1, 1, 9);
  TDib b = copyDib(a);
  setpixel(b, 1, 1, 10);
  EXPECT_EQ(getpixel(a, 1, 1), 9);
  EXPECT_NE(a.Id, b.Id);
}

TEST(Colors, CountsAtEachDepth) {
  EXPECT_EQ(DibColors(newdib(1, 1, 1, nullptr, 0)), 2);
  EXPECT_EQ(DibColors(newdib(1, 1, 4, nullptr, 0)), 16);
  EXPECT_EQ(DibColors(newdib(1, 1, 8, nullptr, 0)), 256);
  EXPECT_EQ(DibColors(newdib(1, 1, 24, nullptr, 0)), 16777216);
}

TEST(Palette, NearestIndexPrefersTheLowestOnATie) {
  LogPaletteData lp;
  lp.palNumEntries = 3;
  lp.palPalEntry[0] = {10, 10, 10, 0};
  lp.palPalEntry[1] = {30, 30, 30, 0};
  lp.palPalEntry[2] = {10, 10, 10, 0};
  PaletteObject p(lp);
  EXPECT_EQ(p.nearestIndex(20, 20, 20), 0);
  EXPECT_EQ(p.nearestIndex(29, 29, 29), 1);
}
