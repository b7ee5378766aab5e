#include "picture/DrawDib.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "picture/httables.h"
#include "support/RasterDevice.h"

using namespace tessaro;
using tessaro::test::DeviceCall;
using tessaro::test::RasterDevice;

namespace {

std::vector<std::string> messages;
void collect(const char* m) { messages.emplace_back(m); }

// Restores the screen depth and the message handler after each test.
class DrawDibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setScreenBitsPerPixel(24);
    messages.clear();
    setDrawMessageHandler(&collect);
  }
  void TearDown() override {
    setScreenBitsPerPixel(24);
    setDrawMessageHandler(nullptr);
  }
};

// A 24-bit picture whose every pixel has its own colour, none of them white.
TDib distinctPicture(int32_t w, int32_t h) {
  TDib d = newdib(w, h, 24, nullptr, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) setpixel(d, x, y, (x * 20) | (y * 20) << 8 | 0x40 << 16);
  return d;
}

TDib solidPicture(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b) {
  TDib d = newdib(w, h, 24, nullptr, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) setpixel(d, x, y, b | g << 8 | r << 16);
  return d;
}

// Pixel (x, y counted from the top) of a picture as a device colour.
Color colourAt(const TDib& d, int32_t x, int32_t yFromTop) {
  return test::dibPixelColor(d.Bits, *d.info(), x, DibHeight(d) - 1 - yFromTop);
}

std::vector<int64_t> geometry(const DeviceCall& c) { return {c.args.begin(), c.args.begin() + 8}; }

struct ClipCase {
  const char* name;
  int32_t x, y, destW, destH, srcX, srcY, srcW, srcH;
  std::vector<int64_t> expected;  // x, y, destW, destH, srcX, srcY, srcW, srcH as the device gets them
};

}  // namespace

TEST_F(DrawDibTest, ClipsTheSourceAndScalesTheTarget) {
  const ClipCase cases[] = {
      {"right", 4, 4, 20, 16, 5, 0, 10, 8, {4, 4, 10, 16, 5, 0, 5, 8}},
      {"right, 2.5 to even", 4, 4, 5, 8, 9, 0, 2, 8, {4, 4, 2, 8, 9, 0, 1, 8}},
      {"right, 3.5 to even", 4, 4, 7, 8, 9, 0, 2, 8, {4, 4, 4, 8, 9, 0, 1, 8}},
      {"bottom", 4, 4, 20, 16, 0, -2, 10, 8, {4, 4, 20, 12, 0, 0, 10, 6}},
      {"top, ten rows above", 4, 4, 10, 18, 0, 0, 10, 18, {4, 14, 10, 8, 0, 0, 10, 8}},
      {"left", 4, 4, 20, 16, -4, 0, 10, 8, {12, 4, 12, 16, 0, 0, 6, 8}},
      {"left, 2.5 to even", 4, 4, 5, 8, -1, 0, 2, 8, {7, 4, 2, 8, 0, 0, 1, 8}},
      {"all four", 0, 0, 28, 24, -2, -2, 14, 12, {4, 4, 20, 16, 0, 0, 10, 8}},
  };
  const TDib pic = distinctPicture(10, 8);
  for (const ClipCase& c : cases) {
    SCOPED_TRACE(c.name);
    RasterDevice dev(64, 64);
    DrawDib(dev, c.x, c.y, c.destW, c.destH, pic, c.srcX, c.srcY, c.srcW, c.srcH, true, SRCCOPY);
    ASSERT_EQ(dev.count("stretchDIBits"), 1);
    const DeviceCall& call = dev.last("stretchDIBits");
    EXPECT_EQ(geometry(call), c.expected);
    EXPECT_EQ(call.args[8], SRCCOPY);
    EXPECT_EQ(dev.stretchMode(), COLORONCOLOR);

    // Corners of the target show the corners of the clipped source; nothing lands outside.
    const int32_t X = int32_t(c.expected[0]), Y = int32_t(c.expected[1]);
    const int32_t W = int32_t(c.expected[2]), H = int32_t(c.expected[3]);
    const int32_t sx = int32_t(c.expected[4]), sy = int32_t(c.expected[5]);
    const int32_t sw = int32_t(c.expected[6]), sh = int32_t(c.expected[7]);
    EXPECT_EQ(dev.pixel(X, Y), colourAt(pic, sx, 8 - (sy + sh)));
    EXPECT_EQ(dev.pixel(X + W - 1, Y + H - 1), colourAt(pic, sx + sw - 1, 8 - 1 - sy));
    EXPECT_EQ(dev.countNot(kWhite, 0, 0, 64, 64), int64_t{W} * H);
    EXPECT_EQ(dev.countNot(kWhite, X, Y, X + W, Y + H), int64_t{W} * H);
  }
}

TEST_F(DrawDibTest, EmptySourceOrTargetDrawsNothing) {
  const struct {
    const char* name;
    int32_t destW, destH, srcX, srcY, srcW, srcH;
  } cases[] = {
      {"zero source width", 10, 10, 0, 0, 0, 8},  {"zero source height", 10, 10, 0, 0, 10, 0},
      {"zero target width", 0, 10, 0, 0, 10, 8},  {"negative target height", 10, -3, 0, 0, 10, 8},
      {"right of the picture", 10, 10, 10, 0, 5, 8}, {"left of the picture", 10, 10, -5, 0, 5, 8},
      {"below the picture", 10, 10, 0, -8, 10, 8}, {"above the picture", 10, 10, 0, 8, 10, 8},
      {"cut to less than a pixel", 1, 10, 9, 0, 4, 8},
      {"far left with a huge width", 100, 10, -2147483000, 0, 2147483647, 8},
  };
  const TDib pic = distinctPicture(10, 8);
  for (uint32_t caps : {RC_STRETCHDIB | RC_DIBTODEV, 0u})
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      RasterDevice dev(32, 32);
      dev.caps = caps;
      DrawDib(dev, 2, 2, c.destW, c.destH, pic, c.srcX, c.srcY, c.srcW, c.srcH, true, SRCCOPY);
      EXPECT_TRUE(dev.calls().empty()) << dev.calls().front().describe();
      EXPECT_EQ(dev.countNot(kWhite, 0, 0, 32, 32), 0);
    }
  RasterDevice dev(8, 8);
  DrawDib(dev, 0, 0, 8, 8, TDib(), 0, 0, 8, 8, true, SRCCOPY);
  EXPECT_TRUE(dev.calls().empty());
  EXPECT_TRUE(messages.empty());
}

TEST_F(DrawDibTest, HalftonesOnlyTrueColourOnPaletteScreens) {
  const TDib rgb = distinctPicture(10, 8);
  TDib indexed = newdib(10, 8, 8, nullptr, 0);
  const struct {
    const char* name;
    int screenBits;
    bool halftone;
    const TDib* picture;
    bool expectHalftoned;
  } cases[] = {
      {"24 bits on an 8-bit screen", 8, true, &rgb, true},
      {"24 bits on a 4-bit screen", 4, true, &rgb, true},
      {"24 bits on a 16-bit screen", 16, true, &rgb, false},
      {"printer page", 8, false, &rgb, false},
      {"8-bit picture", 8, true, &indexed, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    setScreenBitsPerPixel(c.screenBits);
    RasterDevice dev(40, 40);
    int liveWhileDrawing = -1;
    dev.onCall = [&](const DeviceCall& call) {
      if (call.name == "stretchDIBits") liveWhileDrawing = liveHalftoneCopies();
    };
    DrawDib(dev, 0, 0, 20, 16, *c.picture, 0, 0, 10, 8, c.halftone, SRCCOPY);
    ASSERT_EQ(dev.count("stretchDIBits"), 1);
    const DeviceCall& call = dev.last("stretchDIBits");
    EXPECT_EQ(liveWhileDrawing, c.expectHalftoned ? 1 : 0);
    EXPECT_EQ(liveHalftoneCopies(), 0);
    if (c.expectHalftoned) {
      EXPECT_EQ(call.dibBitCount, 8);
      ASSERT_EQ(call.paletteColours.size(), 256u);
      for (size_t i = 0; i < 256; ++i) {
        const PaletteEntry& e = call.paletteColours[i];
        EXPECT_EQ((RgbTriple{e.peRed, e.peGreen, e.peBlue}), StdPalette256[i]) << i;
      }
    } else {
      EXPECT_EQ(call.dibBitCount, DibBitCount(*c.picture));
      EXPECT_EQ(call.palette, c.picture->Palette.get());
    }
    // Whatever was selected for drawing, the device ends with what it had before.
    EXPECT_EQ(dev.currentPalette(), nullptr);
  }
}

TEST_F(DrawDibTest, HalftonedColoursComeFromTheCube) {
  setScreenBitsPerPixel(8);
  RasterDevice exact(24, 24);
  DrawDib(exact, 0, 0, 24, 24, solidPicture(12, 12, 51, 102, 153), 0, 0, 12, 12, true, SRCCOPY);
  EXPECT_EQ(exact.countOf(rgbColor(51, 102, 153), 0, 0, 24, 24), 24 * 24);

  RasterDevice mixed(24, 24);
  DrawDib(mixed, 0, 0, 24, 24, solidPicture(24, 24, 60, 60, 60), 0, 0, 24, 24, true, SRCCOPY);
  const int64_t low = mixed.countOf(rgbColor(51, 51, 51), 0, 0, 24, 24);
  const int64_t high = mixed.countOf(rgbColor(102, 102, 102), 0, 0, 24, 24);
  EXPECT_EQ(low + high, 24 * 24);
  EXPECT_GT(low, high);  // 60 lies much nearer 51 than 102
  EXPECT_GT(high, 0);
}

TEST_F(DrawDibTest, ShrinkingHalftonesAtTheTargetScale) {
  setScreenBitsPerPixel(8);
  // Left half red, right half blue.
  TDib pic = newdib(40, 30, 24, nullptr, 0);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) setpixel(pic, x, y, x < 20 ? 0xff0000 : 0x0000ff);

  const struct {
    const char* name;
    int32_t destW, destH, srcX, srcY, srcW, srcH;
    int32_t copyW, copyH;
    std::vector<int64_t> expected;
  } cases[] = {
      {"whole picture", 20, 15, 0, 0, 40, 30, 20, 15, {0, 0, 20, 15, 0, 0, 20, 15}},
      {"part of it", 10, 5, 10, 6, 20, 15, 20, 10, {0, 0, 10, 5, 5, 2, 10, 5}},
      {"narrower only", 20, 60, 0, 0, 40, 30, 20, 60, {0, 0, 20, 60, 0, 0, 20, 60}},
      {"enlarged: same size copy", 80, 60, 0, 0, 40, 30, 40, 30, {0, 0, 80, 60, 0, 0, 40, 30}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RasterDevice dev(100, 100);
    DrawDib(dev, 0, 0, c.destW, c.destH, pic, c.srcX, c.srcY, c.srcW, c.srcH, true, SRCCOPY);
    const DeviceCall& call = dev.last("stretchDIBits");
    EXPECT_EQ(call.dibWidth, c.copyW);
    EXPECT_EQ(call.dibHeight, c.copyH);
    EXPECT_EQ(geometry(call), c.expected);
  }
  RasterDevice dev(20, 15);
  DrawDib(dev, 0, 0, 20, 15, pic, 0, 0, 40, 30, true, SRCCOPY);
  EXPECT_EQ(dev.countOf(rgbColor(255, 0, 0), 0, 0, 10, 15), 10 * 15);
  EXPECT_EQ(dev.countOf(rgbColor(0, 0, 255), 10, 0, 20, 15), 10 * 15);
}

TEST_F(DrawDibTest, SelectsThePicturesPaletteAndPutsThePreviousOneBack) {
  TDib pic = newdib(4, 4, 8, nullptr, 0);
  pic.colors()[7] = RgbQuad{10, 20, 30, 0};
  syncPaletteFromColors(pic, 256);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) setpixel(pic, x, y, 7);
  const PaletteObject before(pic.LogPalette);
  RasterDevice dev(8, 8);
  dev.selectPalette(&before);
  dev.clearCalls();
  DrawDib(dev, 0, 0, 8, 8, pic, 0, 0, 4, 4, true, SRCCOPY);
  const std::vector<std::string> expected = {"selectPalette", "realizePalette", "setStretchMode", "stretchDIBits",
                                             "selectPalette"};
  EXPECT_EQ(dev.callNames(), expected);
  EXPECT_EQ(dev.last("stretchDIBits").palette, pic.Palette.get());
  EXPECT_EQ(dev.currentPalette(), &before);
  EXPECT_EQ(dev.countOf(rgbColor(30, 20, 10), 0, 0, 8, 8), 64);
}

TEST_F(DrawDibTest, UnstretchedPathKeepsFourBitNibblesInPlace) {
  TDib pic = newdib(4, 2, 4, nullptr, 0);
  for (int i = 0; i < 16; ++i) pic.colors()[i] = RgbQuad{uint8_t(i * 16), uint8_t(255 - i * 16), uint8_t(i), 0};
  syncPaletteFromColors(pic, 16);
  const int top[4] = {1, 2, 3, 4}, bottom[4] = {5, 6, 7, 8};
  for (int32_t x = 0; x < 4; ++x) {
    setpixel(pic, x, 0, top[x]);
    setpixel(pic, x, 1, bottom[x]);
  }
  auto colourOf = [&](int index) { return rgbColor(uint8_t(index), uint8_t(255 - index * 16), uint8_t(index * 16)); };

  // Stretching refused or missing: both must end on the unstretched path.
  for (bool stretchFails : {false, true}) {
    RasterDevice dev(8, 4);
    dev.caps = stretchFails ? (RC_STRETCHDIB | RC_DIBTODEV) : RC_DIBTODEV;
    dev.failStretchDIBits = stretchFails;
    DrawDib(dev, 0, 0, 8, 4, pic, 0, 0, 4, 2, false, SRCCOPY);
    ASSERT_EQ(dev.count("setDIBitsToDevice"), 1);
    const DeviceCall& call = dev.last("setDIBitsToDevice");
    EXPECT_EQ(call.args, (std::vector<int64_t>{0, 0, 8, 4, 0, 0, 0, 4}));
    EXPECT_EQ(call.dibBitCount, 4);
    EXPECT_EQ(dev.count("createCompatibleBitmap"), 0);
    const int rows[4][8] = {{1, 1, 1, 2, 2, 3, 3, 4}, {5, 5, 5, 6, 6, 7, 7, 8}, {5, 5, 5, 6, 6, 7, 7, 8}, {5, 5, 5, 6, 6, 7, 7, 8}};
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(dev.pixel(x, y), colourOf(rows[y][x])) << x << "," << y;
  }
}

TEST_F(DrawDibTest, UnstretchedPathKeepsOneBitPicturesUpright) {
  // Rows from the top: 10, 01, 00, 11 (1 = white).
  TDib pic = newdib(2, 4, 1, nullptr, 0);
  const int rows[4][2] = {{1, 0}, {0, 1}, {0, 0}, {1, 1}};
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 2; ++x) setpixel(pic, x, y, rows[y][x]);
  auto shade = [](int v) { return v ? kWhite : kBlack; };

  RasterDevice whole(4, 4, rgbColor(1, 2, 3));
  whole.caps = RC_DIBTODEV;
  DrawDib(whole, 0, 0, 4, 4, pic, 0, 0, 2, 4, false, SRCCOPY);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(whole.pixel(x, y), shade(rows[y][x < 3 ? 0 : 1])) << x << "," << y;

  // The upper half: source rows 2 and 3 counted from the bottom.
  RasterDevice band(2, 2, rgbColor(1, 2, 3));
  band.caps = RC_DIBTODEV;
  DrawDib(band, 0, 0, 2, 2, pic, 0, 2, 2, 2, false, SRCCOPY);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 2; ++x) EXPECT_EQ(band.pixel(x, y), shade(rows[y][x])) << x << "," << y;
}

TEST_F(DrawDibTest, UnstretchedSingleRowOrColumnTakesTheFirstSourceLine) {
  const TDib pic = distinctPicture(10, 8);
  RasterDevice dev(10, 10);
  dev.caps = RC_DIBTODEV;
  DrawDib(dev, 0, 0, 1, 1, pic, 2, 3, 5, 4, true, SRCCOPY);
  EXPECT_EQ(dev.pixel(0, 0), colourAt(pic, 2, 8 - 1 - 3));
  DrawDib(dev, 5, 0, 1, 4, pic, 6, 0, 3, 8, true, SRCCOPY);
  EXPECT_EQ(dev.pixel(5, 0), colourAt(pic, 6, 0));
  EXPECT_EQ(dev.pixel(5, 3), colourAt(pic, 6, 7));
  DrawDib(dev, 0, 9, 4, 1, pic, 1, 5, 7, 3, true, SRCCOPY);
  EXPECT_EQ(dev.pixel(0, 9), colourAt(pic, 1, 2));
  EXPECT_EQ(dev.pixel(3, 9), colourAt(pic, 7, 2));
}

TEST_F(DrawDibTest, LastResortCopiesTheRightBand) {
  const TDib pic = distinctPicture(10, 8);
  RasterDevice dev(16, 16);
  dev.caps = RC_STRETCHDIB | RC_DIBTODEV;
  dev.failStretchDIBits = true;
  dev.failSetDIBitsToDevice = true;
  DrawDib(dev, 0, 0, 8, 6, pic, 2, 1, 4, 3, false, SRCCOPY);
  const std::vector<std::string> drawing = {"setStretchMode", "stretchDIBits", "setDIBitsToDevice",
                                            "createCompatibleBitmap", "stretchBlt"};
  EXPECT_EQ(dev.callNames(), drawing);
  EXPECT_EQ(dev.last("createCompatibleBitmap").args, (std::vector<int64_t>{10, 8}));
  // Rows 1..3 from the bottom are rows 4..6 from the top of the bitmap.
  EXPECT_EQ(geometry(dev.last("stretchBlt")), (std::vector<int64_t>{0, 0, 8, 6, 2, 4, 4, 3}));
  EXPECT_EQ(dev.pixel(0, 0), colourAt(pic, 2, 4));
  EXPECT_EQ(dev.pixel(7, 5), colourAt(pic, 5, 6));
  EXPECT_EQ(dev.countNot(kWhite, 0, 0, 16, 16), 8 * 6);
  EXPECT_TRUE(messages.empty());
}

TEST_F(DrawDibTest, LastResortReportsWhatTheDeviceRefuses) {
  const TDib pic = distinctPicture(10, 8);
  const struct {
    const char* name;
    bool failCreate, failSetDIBits, failBlt;
    const char* message;
    int blts;
  } cases[] = {
      {"no bitmap", true, false, false, "Konnte Bitmap nicht erzeugen!", 0},
      {"no setdibits", false, true, false, "Das Gerät unterstützt die Funktion setdibits nicht!", 0},
      {"no stretchblt", false, false, true, "Das Gerät unterstützt die Funktion StretchBlt nicht!", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    messages.clear();
    RasterDevice dev(16, 16);
    dev.caps = 0;
    dev.failCreateCompatibleBitmap = c.failCreate;
    dev.failSetDIBits = c.failSetDIBits;
    dev.failStretchBlt = c.failBlt;
    DrawDib(dev, 0, 0, 10, 8, pic, 0, 0, 10, 8, false, SRCCOPY);
    EXPECT_EQ(messages, std::vector<std::string>{c.message});
    EXPECT_EQ(dev.count("stretchBlt"), c.blts);
    EXPECT_EQ(dev.countNot(kWhite, 0, 0, 16, 16), 0);
  }
}

TEST_F(DrawDibTest, HalftoneCopyTooLargeFallsBackToThePictureItself) {
  setScreenBitsPerPixel(8);
  const TDib pic = distinctPicture(10, 8);
  RasterDevice dev(8, 8);
  // Narrower but far taller: the copy at target scale would exceed any picture size allowed.
  DrawDib(dev, 0, 0, 5, 300000, pic, 0, 0, 10, 8, true, SRCCOPY);
  ASSERT_EQ(dev.count("stretchDIBits"), 1);
  EXPECT_EQ(dev.last("stretchDIBits").dibBitCount, 24);
  EXPECT_EQ(liveHalftoneCopies(), 0);
}
