#include <gtest/gtest.h>

#include "support/RasterDevice.h"

using namespace tessaro;
using tessaro::test::RasterDevice;

TEST(RasterDevice, StretchDIBitsReadsRowsFromTheBottom) {
  // 2 x 3 picture, rows from the top: red, green, blue.
  TDib pic = newdib(2, 3, 24, nullptr, 0);
  const int32_t rows[3] = {0xff0000, 0x00ff00, 0x0000ff};
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 2; ++x) setpixel(pic, x, y, rows[y]);
  RasterDevice dev(4, 4);
  // Source rows 0..1 from the bottom are green and blue; the target shows green above blue.
  EXPECT_EQ(dev.stretchDIBits(0, 0, 4, 4, 0, 0, 2, 2, pic.Bits, *pic.info(), SRCCOPY), 2);
  EXPECT_EQ(dev.countOf(rgbColor(0, 255, 0), 0, 0, 4, 2), 8);
  EXPECT_EQ(dev.countOf(rgbColor(0, 0, 255), 0, 2, 4, 4), 8);
  // Partly off the raster: the visible part still samples its own source columns.
  setpixel(pic, 1, 2, 0xffffff);
  dev.clear(kBlack);
  dev.stretchDIBits(-2, 0, 4, 4, 0, 0, 2, 2, pic.Bits, *pic.info(), SRCCOPY);
  EXPECT_EQ(dev.countOf(kWhite, 0, 2, 2, 4), 4);
  EXPECT_EQ(dev.countOf(kBlack, 2, 0, 4, 4), 8);
  dev.failStretchDIBits = true;
  EXPECT_EQ(dev.stretchDIBits(0, 0, 4, 4, 0, 0, 2, 2, pic.Bits, *pic.info(), SRCCOPY), GDI_ERROR);
  EXPECT_EQ(dev.count("stretchDIBits"), 3);
}

TEST(RasterDevice, SetDIBitsToDeviceDrawsOnlyTheScansHandedOver) {
  TDib pic = newdib(3, 3, 8, nullptr, 0);
  pic.colors()[1] = RgbQuad{0, 0, 255, 0};
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) setpixel(pic, x, y, 1);
  RasterDevice dev(5, 5);
  // Stored rows 1 and 2 only: the bottom row of the target stays untouched.
  EXPECT_EQ(dev.setDIBitsToDevice(1, 1, 3, 3, 0, 0, 1, 2, pic.storedRow(1), *pic.info()), 2);
  EXPECT_EQ(dev.countOf(kRed, 1, 1, 4, 3), 6);
  EXPECT_EQ(dev.countNot(kWhite, 0, 0, 5, 5), 6);
}

TEST(RasterDevice, LinesLeaveOutTheirEndPoint) {
  RasterDevice dev(10, 10);
  dev.setPen(kBlack, PenStyle::Solid);
  dev.line(0, 0, 5, 0);
  EXPECT_EQ(dev.countOf(kBlack, 0, 0, 10, 1), 5);
  EXPECT_EQ(dev.pixel(5, 0), kWhite);
  dev.line(0, 9, 4, 5);  // diagonal up to the right
  for (int i = 0; i < 4; ++i) EXPECT_EQ(dev.pixel(i, 9 - i), kBlack) << i;
  EXPECT_EQ(dev.pixel(4, 5), kWhite);
  dev.setPen(kRed, PenStyle::Dot);
  dev.line(0, 2, 0, 9);
  EXPECT_EQ(dev.countOf(kRed, 0, 0, 10, 10), 4);
  EXPECT_EQ(dev.pixel(0, 2), kRed);
  EXPECT_NE(dev.pixel(0, 3), kRed);
}

TEST(RasterDevice, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  RasterDevice dev(10, 10);
  dev.setPen(kBlack, PenStyle::Solid);
  dev.setBrush(kRed);
  dev.rectangle(2, 2, 7, 6);
  EXPECT_EQ(dev.countOf(kRed, 0, 0, 10, 10), 3 * 2);
  EXPECT_EQ(dev.countOf(kBlack, 0, 0, 10, 10), 5 * 4 - 3 * 2);
  EXPECT_EQ(dev.pixel(6, 5), kBlack);
  EXPECT_EQ(dev.pixel(7, 6), kWhite);
}

TEST(RasterDevice, TextBoxIsWhiteWithABlackCellPerCharacter) {
  RasterDevice dev(40, 20, kRed);
  dev.setFontHeight(8);
  const TextSize size = dev.textExtent("Kleberand ü");
  EXPECT_EQ(size.width, 11 * 4);
  EXPECT_EQ(size.height, 8);
  dev.textOut(2, 3, "a b");
  EXPECT_EQ(dev.countNot(kRed, 0, 0, 40, 20), 12 * 8);
  EXPECT_EQ(dev.countOf(kBlack, 2, 3, 6, 11), 2 * 6);   // 'a' inset by a pixel
  EXPECT_EQ(dev.countOf(kWhite, 6, 3, 10, 11), 4 * 8);  // the space
  EXPECT_EQ(dev.last("textOut").text, "a b");
}
